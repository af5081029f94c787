// Upper and lower case of single characters, as the device's string functions and the
// framework's CString use them. Covers Latin (ASCII, Latin-1, Latin Extended-A), Greek and
// Cyrillic; other characters have no case here. Private to the platform.
#pragma once

namespace cekernel {

wchar_t ToLowerChar(wchar_t c);
wchar_t ToUpperChar(wchar_t c);

}  // namespace cekernel
