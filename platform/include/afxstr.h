// The framework's wide string, CString: a value type that converts to LPCTSTR and formats
// with wsprintf's meaning of the conversions (%s is a wide string) but without its 1024
// character limit.
#pragma once

#include <compare>
#include <cstdarg>
#include <string>

#include "windows.h"

class CString {
 public:
  CString() = default;
  // A null pointer gives the empty string.
  CString(LPCTSTR psz);  // NOLINT(google-explicit-constructor): converts as the framework's does
  CString(LPCTSTR pch, int nLength);
  explicit CString(TCHAR ch, int nRepeat = 1);
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(LPCTSTR psz);
  CString& operator=(TCHAR ch);
  ~CString() = default;

  operator LPCTSTR() const { return s_.c_str(); }  // NOLINT(google-explicit-constructor)

  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }

  // The index may equal the length (giving the terminator); outside that, std::out_of_range.
  TCHAR GetAt(int nIndex) const;
  TCHAR operator[](int nIndex) const { return GetAt(nIndex); }
  // The index must be within the string; otherwise std::out_of_range.
  void SetAt(int nIndex, TCHAR ch);

  CString& operator+=(const CString& str);
  CString& operator+=(LPCTSTR psz);
  CString& operator+=(TCHAR ch);

  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, LPCTSTR b);
  friend CString operator+(LPCTSTR a, const CString& b);
  friend CString operator+(const CString& a, TCHAR b);
  friend CString operator+(TCHAR a, const CString& b);

  // Character by character on the code values (the C library's wcscmp): -1, 0 or 1.
  int Compare(LPCTSTR psz) const;
  // As Compare, with letters of either case taken as equal.
  int CompareNoCase(LPCTSTR psz) const;

  // Comparisons are Compare's; a null pointer compares as the empty string.
  friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
  friend bool operator==(const CString& a, LPCTSTR b) { return a.Compare(b) == 0; }
  friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
    return a.Compare(b) <=> 0;
  }
  friend std::strong_ordering operator<=>(const CString& a, LPCTSTR b) {
    return a.Compare(b) <=> 0;
  }

  // Counts beyond the string are cut to it; negative counts and positions count as 0.
  CString Left(int nCount) const;
  CString Right(int nCount) const;
  CString Mid(int iFirst) const;
  CString Mid(int iFirst, int nCount) const;

  // The position of the first match at or after iStart, or -1.
  int Find(TCHAR ch, int iStart = 0) const;
  int Find(LPCTSTR pszSub, int iStart = 0) const;
  // The position of the last ch, or -1.
  int ReverseFind(TCHAR ch) const;

  CString& MakeUpper();
  CString& MakeLower();

  // Without an argument these remove white space (blank, tab, line feed, vertical tab, form
  // feed, carriage return).
  CString& TrimLeft();
  CString& TrimLeft(TCHAR chTarget);
  CString& TrimLeft(LPCTSTR pszTargets);
  CString& TrimRight();
  CString& TrimRight(TCHAR chTarget);
  CString& TrimRight(LPCTSTR pszTargets);
  CString& Trim();

  void Format(LPCTSTR pszFormat, ...);
  void FormatV(LPCTSTR pszFormat, va_list args);
  void AppendFormat(LPCTSTR pszFormat, ...);
  void AppendFormatV(LPCTSTR pszFormat, va_list args);

  // A writable buffer of at least nMinBufferLength characters plus a terminator, holding the
  // current text. Until ReleaseBuffer the string's length is that of the buffer.
  LPTSTR GetBuffer(int nMinBufferLength);
  LPTSTR GetBuffer() { return GetBuffer(0); }
  // Ends the buffer's use: the length becomes nNewLength, or with -1 the buffer's text up to
  // its first terminator.
  void ReleaseBuffer(int nNewLength = -1);
  // A buffer of exactly nLength characters (the text cut or padded with terminators).
  LPTSTR GetBufferSetLength(int nLength);

 private:
  std::wstring s_;
};
