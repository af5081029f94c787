#include "DebugLog.h"

#include <string>

#include "DeviceClock.h"
#include "StateFiles.h"
#include "WideText.h"

namespace cedev {

void AppendDebugLog(std::wstring_view text) {
  std::wstring body;
  body.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    body += text[i];
  }
  while (!body.empty() && (body.back() == L'\n' || body.back() == L'\r')) body.pop_back();
  try {
    AppendState("debug.log", FormatDeviceTime(clock::Now()) + "\t" + Utf8FromWide(body) + "\n");
  } catch (...) {
    // A debug message that cannot be kept is lost; the caller goes on.
  }
}

}  // namespace cedev
