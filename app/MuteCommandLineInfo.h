// Reads the launch argument "M%d" that a wake-up notification passes: M followed by the volume
// mode. Writes straight into the application object; every other argument is ignored.
#pragma once

#include <afxwin.h>

class CMuteApp;

class CMuteCommandLineInfo : public CCommandLineInfo {
 public:
  explicit CMuteCommandLineInfo(CMuteApp& app) : app_(app) {}

  void ParseParam(const TCHAR* pszParam, BOOL bFlag, BOOL bLast) override;

  // The argument is examined as 8-bit text in a buffer of this size, terminator included, so
  // at most 259 characters of it count; the rest is cut off.
  static constexpr size_t kArgumentBufferSize = 260;

 private:
  CMuteApp& app_;
};

// The decimal number at the start of text, as the C library's atoi reads it (leading white
// space, an optional sign, digits up to the first non-digit; none gives 0), held to the range
// of a 32-bit integer instead of overflowing.
LONG ParseLeadingInteger(const char* text);
