# Every target of the project builds with these; warnings are errors.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor
  -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)

# GCC 12's optimiser reports impossible overlaps inside std::string's own copies (GCC bug
# 105651, "s + std::string" and friends) as -Wrestrict; with -Werror that stops a Release build
# over the standard library's code, not ours.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(project_warnings INTERFACE -Wno-restrict)
endif()
