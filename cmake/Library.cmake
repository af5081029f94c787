# ce_library(NAME [DIR dir] [DEPS dep...]): a static library of every .cpp in DIR (default: the
# current folder). A folder with no sources yet gives an interface library with the same
# dependencies, so the tree configures while its parts are being built.
function(ce_library name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE project_warnings)
    target_include_directories(${name} PUBLIC ${ARG_DIR})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    target_include_directories(${name} INTERFACE ${ARG_DIR})
  endif()
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
