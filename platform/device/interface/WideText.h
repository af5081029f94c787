// Conversion between the platform's wide text (UTF-32 wchar_t on this host) and the UTF-8 of
// host file names, state files and terminals.
#pragma once

#include <string>
#include <string_view>

namespace cedev {

std::string Utf8FromWide(std::wstring_view text);
// Bytes that are not valid UTF-8 become U+FFFD each.
std::wstring WideFromUtf8(std::string_view text);

}  // namespace cedev
