// wsprintf and the lstr functions of coredll.
#include <cwchar>
#include <string>

#include <windows.h>

#include "CaseMap.h"
#include "FormatEngine.h"

namespace {

// wsprintf writes into a buffer of at most this many characters, the terminator included.
constexpr std::size_t kWsprintfBuffer = 1024;

// lstrcmp and lstrcmpi compare as the locale's word sort does, not by code value: hyphens and
// apostrophes weigh nothing at first, symbols sort before digits and digits before letters,
// letters compare without regard to case, and only then does case count (small before
// capital), then the ignored characters.
bool IsIgnorable(wchar_t c) {
  return c == L'-' || c == L'\'' || c == 0x00AD || c == 0x2010 || c == 0x2011;
}

bool IsLetter(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return true;
  if (c >= 0x00C0 && c <= 0x00FF) return c != 0x00D7 && c != 0x00F7;
  return c >= 0x0100;
}

// The main weight of a character that is not ignorable: its class, then its value.
unsigned long PrimaryWeight(wchar_t c) {
  unsigned long group = 0;
  if (c >= L'0' && c <= L'9') {
    group = 1;
  } else if (IsLetter(c)) {
    group = 2;
    c = cekernel::ToLowerChar(c);
  }
  return (group << 24) | static_cast<unsigned long>(c & 0xFFFFFF);
}

int Sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

const wchar_t* SkipIgnorable(const wchar_t* p) {
  while (*p != 0 && IsIgnorable(*p)) ++p;
  return p;
}

int ComparePrimary(const wchar_t* a, const wchar_t* b) {
  for (;;) {
    a = SkipIgnorable(a);
    b = SkipIgnorable(b);
    if (*a == 0 || *b == 0) return Sign(static_cast<long long>(*a != 0) - (*b != 0));
    const unsigned long wa = PrimaryWeight(*a++);
    const unsigned long wb = PrimaryWeight(*b++);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
}

// Called only when the main weights are equal, so the non-ignorable characters pair up.
int CompareCase(const wchar_t* a, const wchar_t* b) {
  for (;;) {
    a = SkipIgnorable(a);
    b = SkipIgnorable(b);
    if (*a == 0 || *b == 0) return 0;
    const bool capitalA = cekernel::ToLowerChar(*a) != *a;
    const bool capitalB = cekernel::ToLowerChar(*b) != *b;
    if (capitalA != capitalB) return capitalA ? 1 : -1;
    ++a;
    ++b;
  }
}

// The last resort: fewer ignored characters first, then code values with case folded away
// (or kept, for the case-sensitive compare).
int CompareRemainder(const wchar_t* a, const wchar_t* b, bool ignoreCase) {
  long long ignoredA = 0;
  long long ignoredB = 0;
  for (const wchar_t* p = a; *p != 0; ++p) ignoredA += IsIgnorable(*p);
  for (const wchar_t* p = b; *p != 0; ++p) ignoredB += IsIgnorable(*p);
  if (ignoredA != ignoredB) return Sign(ignoredA - ignoredB);
  for (;; ++a, ++b) {
    const wchar_t ca = ignoreCase ? cekernel::ToLowerChar(*a) : *a;
    const wchar_t cb = ignoreCase ? cekernel::ToLowerChar(*b) : *b;
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

int Collate(LPCWSTR a, LPCWSTR b, bool ignoreCase) {
  // A null string sorts before every other, as an empty one.
  if (a == nullptr || b == nullptr)
    return Sign(static_cast<long long>(a != nullptr) - (b != nullptr));
  int result = ComparePrimary(a, b);
  if (result == 0 && !ignoreCase) result = CompareCase(a, b);
  if (result == 0) result = CompareRemainder(a, b, ignoreCase);
  return result;
}

}  // namespace

int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist) {
  if (lpOut == nullptr) return 0;
  std::wstring text;
  cekernel::AppendFormatted(text, lpFmt, arglist, kWsprintfBuffer - 1);
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

int lstrlenW(LPCWSTR lpString) {
  return lpString != nullptr ? static_cast<int>(wcslen(lpString)) : 0;
}

int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) { return Collate(lpString1, lpString2, false); }

int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) { return Collate(lpString1, lpString2, true); }

LPWSTR lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2) {
  if (lpString1 == nullptr || lpString2 == nullptr) return nullptr;
  return wcscpy(lpString1, lpString2);
}

// Copies at most iMaxLength - 1 characters and always terminates, unless iMaxLength is 0 (then
// nothing is written).
LPWSTR lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength) {
  if (lpString1 == nullptr || lpString2 == nullptr) return nullptr;
  if (iMaxLength <= 0) return lpString1;
  int i = 0;
  for (; i < iMaxLength - 1 && lpString2[i] != 0; ++i) lpString1[i] = lpString2[i];
  lpString1[i] = 0;
  return lpString1;
}
