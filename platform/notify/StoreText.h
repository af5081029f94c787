// The text of the notification store, ROOT/.device/notifications: plain UTF-8 lines.
//   next-handle N records C
//   HANDLE<TAB>TYPE<TAB>EVENT<TAB>START<TAB>END<TAB>APPLICATION<TAB>ARGUMENTS<TAB>USER
// TYPE is time/event/period/classic; START and END are "YYYY-MM-DD HH:MM:SS" for a whole-second
// time whose weekday matches its date, else "raw Y,M,W,D,h,m,s,ms" (the SYSTEMTIME's fields as
// registered); a string is "-" when absent, else in double quotes with \\ \" \t \n \r escaped;
// USER is "-" for no user notification, else six more columns follow its "user" word:
// FLAGS, TITLE, TEXT, SOUND, MAXSOUND, RESERVED. Lines starting with # and blank lines are
// ignored. Records are kept in handle order. C counts the record lines, so that a store cut
// short at a line boundary is told from a shorter one; a store without it (cut inside that
// line, or written before the count) and an empty file read as damaged, their records kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "NotificationRecord.h"

namespace cedev::notify {

struct StoreContent {
  DWORD nextHandle = 1;  // never reused: a cleared handle's number is not given again
  std::vector<NotificationRecord> records;  // ascending handles
};

std::string FormatStore(const StoreContent& content);

// Every line that reads is kept; each one that does not, and a missing or bad next-handle
// line, is listed in `problems` as "line N: WHY". The next handle is never at or below a kept
// handle.
struct ParsedStore {
  StoreContent content;
  std::vector<std::string> problems;
};
ParsedStore ParseStore(std::string_view text);

}  // namespace cedev::notify
