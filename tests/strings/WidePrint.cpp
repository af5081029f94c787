#include "WidePrint.h"

#include <cstdio>

std::string Printable(const wchar_t* text) {
  std::string out;
  for (const wchar_t* p = text; p != nullptr && *p != 0; ++p) {
    if (*p >= 0x20 && *p < 0x7F && *p != L'\\') {
      out += static_cast<char>(*p);
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "\\x{%X}", static_cast<unsigned>(*p));
      out += code;
    }
  }
  return out;
}

void PrintTo(const CString& s, std::ostream* os) { *os << '"' << Printable(s) << '"'; }
