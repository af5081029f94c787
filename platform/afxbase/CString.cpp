#include <afxstr.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>

#include "CaseMap.h"
#include "FormatEngine.h"

namespace {

std::size_t Clamp(int n, std::size_t max) {
  if (n <= 0) return 0;
  return std::min(static_cast<std::size_t>(n), max);
}

int ThreeWay(const std::wstring& a, LPCTSTR b, bool ignoreCase) {
  if (b == nullptr) b = L"";
  for (std::size_t i = 0;; ++i) {
    // The string's own terminator ends it even if the text holds an embedded one.
    wchar_t ca = i < a.size() ? a[i] : L'\0';
    wchar_t cb = b[i];
    if (ignoreCase) {
      ca = cekernel::ToLowerChar(ca);
      cb = cekernel::ToLowerChar(cb);
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

bool IsWhiteSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

template <typename Match>
void TrimFront(std::wstring& s, Match match) {
  std::size_t i = 0;
  while (i < s.size() && match(s[i])) ++i;
  s.erase(0, i);
}

template <typename Match>
void TrimBack(std::wstring& s, Match match) {
  std::size_t n = s.size();
  while (n > 0 && match(s[n - 1])) --n;
  s.resize(n);
}

auto InSet(LPCTSTR set) {
  return [set](wchar_t c) { return set != nullptr && c != 0 && wcschr(set, c) != nullptr; };
}

}  // namespace

CString::CString(LPCTSTR psz) : s_(psz != nullptr ? psz : L"") {}

CString::CString(LPCTSTR pch, int nLength) {
  if (pch != nullptr && nLength > 0) s_.assign(pch, static_cast<std::size_t>(nLength));
}

CString::CString(TCHAR ch, int nRepeat)
    : s_(nRepeat > 0 ? static_cast<std::size_t>(nRepeat) : 0, ch) {}

CString& CString::operator=(LPCTSTR psz) {
  // psz may point into this string's own text.
  s_ = std::wstring(psz != nullptr ? psz : L"");
  return *this;
}

CString& CString::operator=(TCHAR ch) {
  s_.assign(1, ch);
  return *this;
}

TCHAR CString::GetAt(int nIndex) const {
  if (nIndex < 0 || static_cast<std::size_t>(nIndex) > s_.size()) {
    throw std::out_of_range("CString::GetAt: index outside the string");
  }
  return s_.c_str()[nIndex];
}

void CString::SetAt(int nIndex, TCHAR ch) {
  if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= s_.size()) {
    throw std::out_of_range("CString::SetAt: index outside the string");
  }
  s_[static_cast<std::size_t>(nIndex)] = ch;
}

CString& CString::operator+=(const CString& str) {
  s_ += str.s_;
  return *this;
}

CString& CString::operator+=(LPCTSTR psz) {
  if (psz != nullptr) s_ += std::wstring(psz);  // psz may point into this string
  return *this;
}

CString& CString::operator+=(TCHAR ch) {
  s_ += ch;
  return *this;
}

CString operator+(const CString& a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, LPCTSTR b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(LPCTSTR a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, TCHAR b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(TCHAR a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

int CString::Compare(LPCTSTR psz) const { return ThreeWay(s_, psz, false); }

int CString::CompareNoCase(LPCTSTR psz) const { return ThreeWay(s_, psz, true); }

CString CString::Left(int nCount) const {
  CString r;
  r.s_ = s_.substr(0, Clamp(nCount, s_.size()));
  return r;
}

CString CString::Right(int nCount) const {
  const std::size_t n = Clamp(nCount, s_.size());
  CString r;
  r.s_ = s_.substr(s_.size() - n);
  return r;
}

CString CString::Mid(int iFirst) const { return Mid(iFirst, GetLength()); }

CString CString::Mid(int iFirst, int nCount) const {
  const std::size_t first = Clamp(iFirst, s_.size());
  CString r;
  r.s_ = s_.substr(first, Clamp(nCount, s_.size() - first));
  return r;
}

int CString::Find(TCHAR ch, int iStart) const {
  if (iStart < 0 || static_cast<std::size_t>(iStart) > s_.size()) return -1;
  const std::size_t at = s_.find(ch, static_cast<std::size_t>(iStart));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCTSTR pszSub, int iStart) const {
  if (pszSub == nullptr || iStart < 0 || static_cast<std::size_t>(iStart) > s_.size()) return -1;
  const std::size_t at = s_.find(pszSub, static_cast<std::size_t>(iStart));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(TCHAR ch) const {
  const std::size_t at = s_.rfind(ch);
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeUpper() {
  for (wchar_t& c : s_) c = cekernel::ToUpperChar(c);
  return *this;
}

CString& CString::MakeLower() {
  for (wchar_t& c : s_) c = cekernel::ToLowerChar(c);
  return *this;
}

CString& CString::TrimLeft() {
  TrimFront(s_, IsWhiteSpace);
  return *this;
}

CString& CString::TrimLeft(TCHAR chTarget) {
  TrimFront(s_, [chTarget](wchar_t c) { return c == chTarget; });
  return *this;
}

CString& CString::TrimLeft(LPCTSTR pszTargets) {
  TrimFront(s_, InSet(pszTargets));
  return *this;
}

CString& CString::TrimRight() {
  TrimBack(s_, IsWhiteSpace);
  return *this;
}

CString& CString::TrimRight(TCHAR chTarget) {
  TrimBack(s_, [chTarget](wchar_t c) { return c == chTarget; });
  return *this;
}

CString& CString::TrimRight(LPCTSTR pszTargets) {
  TrimBack(s_, InSet(pszTargets));
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

void CString::Format(LPCTSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  FormatV(pszFormat, args);
  va_end(args);
}

void CString::FormatV(LPCTSTR pszFormat, va_list args) {
  // Built aside first: an argument may be this string itself.
  std::wstring text;
  cekernel::AppendFormatted(text, pszFormat, args);
  s_ = std::move(text);
}

void CString::AppendFormat(LPCTSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  AppendFormatV(pszFormat, args);
  va_end(args);
}

void CString::AppendFormatV(LPCTSTR pszFormat, va_list args) {
  std::wstring text;
  cekernel::AppendFormatted(text, pszFormat, args);
  s_ += text;
}

LPTSTR CString::GetBuffer(int nMinBufferLength) {
  if (nMinBufferLength > 0 && static_cast<std::size_t>(nMinBufferLength) > s_.size()) {
    s_.resize(static_cast<std::size_t>(nMinBufferLength), L'\0');
  }
  return s_.data();
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength < 0) {
    s_.resize(wcsnlen(s_.c_str(), s_.size()));
  } else {
    s_.resize(std::min(static_cast<std::size_t>(nNewLength), s_.size()));
  }
}

LPTSTR CString::GetBufferSetLength(int nLength) {
  s_.resize(nLength > 0 ? static_cast<std::size_t>(nLength) : 0, L'\0');
  return s_.data();
}
