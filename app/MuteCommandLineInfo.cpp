#include "MuteCommandLineInfo.h"

#include <climits>

#include "MuteApp.h"

LONG ParseLeadingInteger(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<LONG>(value);
}

void CMuteCommandLineInfo::ParseParam(const TCHAR* pszParam, BOOL /*bFlag*/, BOOL /*bLast*/) {
  // The low byte of each character, zero-filled and always terminated.
  char text[kArgumentBufferSize] = {};
  for (size_t i = 0; i + 1 < kArgumentBufferSize && pszParam[i] != 0; ++i) {
    text[i] = static_cast<char>(pszParam[i] & 0xFF);
  }
  if (text[0] != 'M') return;
  app_.volumeMode = ParseLeadingInteger(text + 1);
  app_.notificationLaunch = true;
}
