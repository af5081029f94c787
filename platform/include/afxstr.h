// The framework's wide string.
#pragma once

#include <cstdarg>
#include <string>

#include "windows.h"

class CString {
 public:
  CString() = default;
  CString(LPCTSTR text) : s_(text != nullptr ? text : L"") {}  // NOLINT: as the framework's
  CString(TCHAR ch, int repeat = 1) : s_(static_cast<size_t>(repeat > 0 ? repeat : 0), ch) {}

  operator LPCTSTR() const { return s_.c_str(); }
  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  TCHAR GetAt(int i) const { return s_[static_cast<size_t>(i)]; }

  CString& operator+=(const CString& other) { s_ += other.s_; return *this; }
  CString& operator+=(LPCTSTR other) { s_ += other; return *this; }
  CString& operator+=(TCHAR ch) { s_ += ch; return *this; }
  friend CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, LPCTSTR b) { CString r(a); r += b; return r; }
  friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
  friend bool operator==(const CString& a, LPCTSTR b) { return a.s_ == b; }
  friend bool operator!=(const CString& a, const CString& b) { return a.s_ != b.s_; }
  friend bool operator<(const CString& a, const CString& b) { return a.s_ < b.s_; }
  int Compare(LPCTSTR other) const { return s_.compare(other); }

  // wsprintf's meaning of the conversions (%s is a wide string), without its length limit.
  void Format(LPCTSTR format, ...);
  void FormatV(LPCTSTR format, va_list args);

 private:
  std::wstring s_;
};
