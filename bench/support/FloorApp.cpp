// The least a launched program can be, for the floors of the process figures:
//   bench_floor_app                 starts and exits.
//   bench_floor_app list FILE       reads the notification store FILE and prints each record's
//                                   handle, type, start, application and arguments fields.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

int List(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return 2;
  std::string text;
  char chunk[65536];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, got);
  std::fclose(f);
  std::string out;
  for (size_t start = text.find('\n') + 1; start > 0 && start < text.size();) {  // after the header
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    size_t field = 0;
    for (size_t a = 0; a <= line.size() && field < 7; ++field) {
      size_t b = line.find('\t', a);
      if (b == std::string_view::npos) b = line.size();
      if (field != 2 && field != 4) {  // not the event or the end
        out.append(line.substr(a, b - a));
        out += field == 6 ? '\n' : '\t';
      }
      a = b + 1;
    }
    start = end + 1;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "list") == 0) return List(argv[2]);
  return 0;
}
