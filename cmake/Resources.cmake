# ce_add_resources(TARGET RCFILE [DEPENDS file...]): compiles a resource script with the
# resource compiler into the binary .res format the device reads (windres of mingw-w64, with the
# host's cpp as its preprocessor and the SDK headers on the include path), and embeds the image
# in TARGET. The dialog manager finds it through FindResource/LoadResource.
#
# The .rc is preprocessed with RC_INVOKED defined: it may include "winuser.h" and "commctrl.h"
# (they then show only their constants) and the program's own id headers. It is recompiled when
# it, a header beside it, one of the SDK's resource headers or a file named in DEPENDS changes.
#
# For an executable the image is compiled into it. For a library (static or interface) it goes
# into a library of its own that every executable using TARGET links whole, so the linker never
# drops the image's registration as an unreferenced archive member.
#
# Run as a script (cmake -DRES=... -DOUT=... -DSYMBOL=... -P Resources.cmake) it writes the
# .cpp that holds a .res image as bytes; the build uses that mode.
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${RES}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  if(hexLength EQUAL 0)
    message(FATAL_ERROR "resource image ${RES} is empty")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Twenty bytes a line keeps the generated file readable in a diff or a debugger.
  string(REGEX REPLACE "((0x..,){20})" "\\1\n  " bytes "${bytes}")
  file(WRITE "${OUT}.tmp"
    "// Generated from ${RES} by cmake/Resources.cmake; do not edit.\n"
    "#include \"ResourceImage.h\"\n\n"
    "namespace {\n"
    "alignas(4) const unsigned char ${SYMBOL}[] = {\n  ${bytes}\n};\n"
    "const cedev::ResourceImageRegistration ${SYMBOL}Registration(${SYMBOL}, sizeof ${SYMBOL}, \"${RES}\");\n"
    "}  // namespace\n")
  file(RENAME "${OUT}.tmp" "${OUT}")
  return()
endif()

include_guard(GLOBAL)

find_program(CE_WINDRES NAMES x86_64-w64-mingw32-windres windres
  DOC "Resource compiler writing binary .res files (Debian: binutils-mingw-w64-x86-64)")
find_program(CE_RC_CPP NAMES cpp DOC "C preprocessor for the resource compiler")
set(CE_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(ce_add_resources target rcfile)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  if(NOT CE_WINDRES)
    message(FATAL_ERROR "ce_add_resources: no resource compiler found; run scripts/install-deps "
                        "(package binutils-mingw-w64-x86-64)")
  endif()
  if(NOT CE_RC_CPP)
    message(FATAL_ERROR "ce_add_resources: no C preprocessor (cpp) found for the resource compiler")
  endif()
  get_filename_component(rc "${rcfile}" ABSOLUTE)
  get_filename_component(rcDir "${rc}" DIRECTORY)
  get_filename_component(rcName "${rc}" NAME_WE)
  set(outDir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(res ${outDir}/${rcName}.res)
  set(cpp ${outDir}/${rcName}_res.cpp)
  string(MAKE_C_IDENTIFIER "k${target}_${rcName}Image" symbol)
  set(sdk ${PROJECT_SOURCE_DIR}/platform/include)
  file(GLOB localHeaders CONFIGURE_DEPENDS ${rcDir}/*.h)

  add_custom_command(OUTPUT ${res}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${outDir}
    COMMAND ${CE_WINDRES} --preprocessor=${CE_RC_CPP} --preprocessor-arg=-DRC_INVOKED
            -I ${rcDir} -I ${sdk} -O res -o ${res} ${rc}
    DEPENDS ${rc} ${localHeaders} ${sdk}/winuser.h ${sdk}/commctrl.h ${ARG_DEPENDS}
    WORKING_DIRECTORY ${rcDir}
    COMMENT "Compiling resources ${rcName}.rc"
    VERBATIM)
  add_custom_command(OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DRES=${res} -DOUT=${cpp} -DSYMBOL=${symbol}
            -P ${CE_RESOURCES_SCRIPT}
    DEPENDS ${res} ${CE_RESOURCES_SCRIPT}
    COMMENT "Embedding resources ${rcName}.res"
    VERBATIM)

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
    target_sources(${target} PRIVATE ${cpp})
    target_link_libraries(${target} PRIVATE ce_dialog_interface)
  else()
    # A library of its own, linked whole into every executable that uses TARGET.
    # The image's registration is the dialog manager's business: its header stays out of
    # TARGET's sight.
    add_library(${target}_resources STATIC ${cpp})
    target_link_libraries(${target}_resources PRIVATE ce_dialog_interface)
    if(type STREQUAL "INTERFACE_LIBRARY")
      set(scope INTERFACE)
    else()
      set(scope PUBLIC)
    endif()
    target_link_libraries(${target} ${scope} "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}_resources>")
  endif()
endfunction()
