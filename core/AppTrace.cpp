#include "AppTrace.h"

#include <cstdarg>

void AppTrace(LPCWSTR format, ...) {
  if (!DebugOutputEnabled()) return;
  WCHAR text[1024];
  va_list args;
  va_start(args, format);
  wvsprintfW(text, format, args);
  va_end(args);
  OutputDebugStringW(text);
}
