// The device's debug log, ROOT/.device/debug.log: one line a message,
// "YYYY-MM-DD HH:MM:SS<TAB>TEXT", in device time.
#pragma once

#include <string_view>

namespace cedev {

// Appends one message; its trailing line breaks are dropped and a carriage return before a
// line feed inside it too. Never throws: debug output must not break its caller.
void AppendDebugLog(std::wstring_view text);

}  // namespace cedev
