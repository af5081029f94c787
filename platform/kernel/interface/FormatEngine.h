// The formatter behind wsprintf and the framework's CString::Format: the conversions of
// Windows' wsprintf on a wide format (%s and %c wide, %hs and %hc narrow). Private to the
// platform; programs use wsprintf or CString.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace cekernel {

inline constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1);

// Appends the text of format, filled from args, to out. At most maxChars characters are
// appended; the rest of the text is dropped. args is read through a copy, so the caller's list
// is as it was. A null format appends nothing.
void AppendFormatted(std::wstring& out, const wchar_t* format, va_list args,
                     std::size_t maxChars = kUnbounded);

// One character of the device's ANSI code page (Windows-1252) as a wide character: narrow
// text in a wide format is shown this way.
wchar_t WidenAnsiChar(unsigned char c);

}  // namespace cekernel
