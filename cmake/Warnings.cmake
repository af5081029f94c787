# Every target of the project builds with these; warnings are errors.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor
  -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
