// wsprintf and friends. The C library's wide printf reads %s and %c as narrow; in a Windows
// wide format they are wide, so the format is rewritten before it is handed on.
#include <cwchar>
#include <string>
#include <vector>

#include <afxstr.h>
#include <windows.h>

namespace {

std::wstring ToCFormat(LPCWSTR format) {
  std::wstring out;
  for (LPCWSTR p = format; *p != 0; ++p) {
    out += *p;
    if (*p != L'%') continue;
    ++p;
    if (*p == L'%') { out += L'%'; continue; }
    while (*p != 0 && wcschr(L"-+ #0123456789.", *p) != nullptr) out += *p++;
    if (*p == 0) break;
    if (*p == L'h' && (p[1] == L's' || p[1] == L'c')) {  // narrow in a wide format
      out += p[1];
      ++p;
    } else if (*p == L'l' && (p[1] == L's' || p[1] == L'c')) {
      out += L'l';
      out += p[1];
      ++p;
    } else if (*p == L's' || *p == L'c') {
      out += L'l';
      out += *p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::wstring FormatUnbounded(LPCWSTR format, va_list args) {
  const std::wstring cFormat = ToCFormat(format);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = vswprintf(buffer.data(), buffer.size(), cFormat.c_str(), copy);
    va_end(copy);
    if (n >= 0) return std::wstring(buffer.data(), static_cast<size_t>(n));
    if (buffer.size() > (1u << 24)) return std::wstring();
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace

int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist) {
  std::wstring text = FormatUnbounded(lpFmt, arglist);
  if (text.size() > 1023) text.resize(1023);  // wsprintf's buffer is 1024 characters
  wmemcpy(lpOut, text.c_str(), text.size() + 1);
  return static_cast<int>(text.size());
}

int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...) {
  va_list args;
  va_start(args, lpFmt);
  const int n = wvsprintfW(lpOut, lpFmt, args);
  va_end(args);
  return n;
}

int lstrlenW(LPCWSTR s) { return s != nullptr ? static_cast<int>(wcslen(s)) : 0; }
int lstrcmpW(LPCWSTR a, LPCWSTR b) { return wcscmp(a, b); }
int lstrcmpiW(LPCWSTR a, LPCWSTR b) { return wcscasecmp(a, b); }
LPWSTR lstrcpyW(LPWSTR a, LPCWSTR b) { return wcscpy(a, b); }
LPWSTR lstrcpynW(LPWSTR a, LPCWSTR b, int n) {
  if (n <= 0) return a;
  wcsncpy(a, b, static_cast<size_t>(n - 1));
  a[n - 1] = 0;
  return a;
}

void CString::FormatV(LPCTSTR format, va_list args) { s_ = FormatUnbounded(format, args); }

void CString::Format(LPCTSTR format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}
