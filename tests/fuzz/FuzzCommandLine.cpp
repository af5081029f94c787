// Any text as the command line: the parse never crashes or overruns, and only an argument
// that begins with 'M' (after at most one '/' or '-') makes the run a notification run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "MuteApp.h"
#include "MuteCommandLineInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Two bytes a character, so every 16-bit value (a low byte of 'M' included) turns up.
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  bool anyM = false;
  for (wchar_t c : text) anyM = anyM || (c & 0xFF) == 'M';
  CMuteApp app;
  app.m_lpCmdLine = text.data();
  CMuteCommandLineInfo info(app);
  app.ParseCommandLine(info);
  if (app.notificationLaunch && !anyM) {
    std::fprintf(stderr, "command line fuzz: a notification run without an M\n");
    std::abort();
  }
  if (!app.notificationLaunch && app.volumeMode != 0) {
    std::fprintf(stderr, "command line fuzz: a volume mode without a notification run\n");
    std::abort();
  }
  return 0;
}
