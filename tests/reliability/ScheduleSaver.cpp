// A device program for the reliability tests: saves or loads the schedule file through the
// schedule file's own code, on the device of CEDEVICE_ROOT.
//   schedule_saver save small|large   one save; a failure prints its message and exits 1
//   schedule_saver load               prints "items N", or the failure's message and exits 1
#include <cstdio>
#include <cstring>
#include <string>

#include "FileError.h"
#include "ScheduleFile.h"
#include "ScheduleVersions.h"
#include "WideText.h"

namespace {

const wchar_t kPath[] = L"\\My Documents\\Quenmora.dat";

int Failed(const FileError& e) {
  const CString message = e.GetErrorMessage();
  std::printf("%s\n", cedev::Utf8FromWide(static_cast<LPCTSTR>(message)).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "save" && argc == 3) {
      const Schedule s = MakeSchedule(std::strcmp(argv[2], "large") == 0 ? ScheduleVersion::large
                                                                         : ScheduleVersion::small);
      SaveSchedule(s, kPath);
      return 0;
    }
    if (mode == "load" && argc == 2) {
      Schedule s;
      LoadSchedule(s, kPath);
      std::printf("items %d\n", s.Count());
      return 0;
    }
  } catch (const FileError& e) {
    return Failed(e);
  }
  std::fprintf(stderr, "usage: schedule_saver save small|large | load\n");
  return 2;
}
