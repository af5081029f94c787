# The libraries of the build, in two kinds whose headers are seen differently.
#
# ce_library(NAME DIR dir [DEPS lib...]): a library of the simulated device, a static library of
# every .cpp in DIR. Its headers are its own: DIR is a private include directory. The headers
# other parts of the device may include lie in DIR/interface, and three targets say who sees what:
#   NAME            the library, whose users see the SDK headers (platform/include) only
#   NAME_interface  the library and its interface headers, with those of the libraries it uses;
#                   a device library's DEPS are linked so
#   NAME_internals  all of its headers, for the tests of its insides, which say so by linking it
# Every library is also recorded for the check of the layers (cmake/Layers.cmake).
function(ce_library name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PRIVATE ${ARG_DIR})
  target_link_libraries(${name} PUBLIC ce_sdk PRIVATE project_warnings)

  add_library(${name}_interface INTERFACE)
  if(IS_DIRECTORY ${ARG_DIR}/interface)
    target_include_directories(${name} PRIVATE ${ARG_DIR}/interface)
    target_include_directories(${name}_interface INTERFACE ${ARG_DIR}/interface)
  endif()
  target_link_libraries(${name}_interface INTERFACE ${name})
  foreach(dep ${ARG_DEPS})
    target_link_libraries(${name} PRIVATE ${dep}_interface)
    target_link_libraries(${name}_interface INTERFACE ${dep}_interface)
  endforeach()

  add_library(${name}_internals INTERFACE)
  target_include_directories(${name}_internals INTERFACE ${ARG_DIR})
  target_link_libraries(${name}_internals INTERFACE ${name}_interface)

  set_property(GLOBAL APPEND PROPERTY CE_DEVICE_LIBRARIES ${name})
  set_property(GLOBAL PROPERTY CE_DIR_${name} ${ARG_DIR})
  set_property(GLOBAL PROPERTY CE_DEPS_${name} ${ARG_DEPS})
endfunction()

# quenmora_library(NAME [DEPS lib...]): a library of the program, every .cpp of the current folder.
# Its headers are the program's: the folder is a public include directory, seen by the program's
# layers above it and by the tests. Of the device it sees the SDK headers alone, whatever device
# libraries it links.
function(quenmora_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE project_warnings)
  set_property(GLOBAL APPEND PROPERTY CE_PROGRAM_LIBRARIES ${name})
endfunction()

# ce_test(NAME SOURCES... [DEPS dep...] [LABELS label...]): one GoogleTest executable, its
# cases registered with CTest one by one.
include(GoogleTest)
function(ce_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main project_warnings)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
