// The text of the notification store, ROOT/.device/notifications: plain UTF-8 lines.
//   next-handle N records C [wrapped]
//   HANDLE<TAB>TYPE<TAB>EVENT<TAB>START<TAB>END<TAB>APPLICATION<TAB>ARGUMENTS<TAB>USER
// TYPE is time/event/period/classic; START and END are "YYYY-MM-DD HH:MM:SS" for a whole-second
// time whose weekday matches its date, else "raw Y,M,W,D,h,m,s,ms" (the SYSTEMTIME's fields as
// registered); a string is "-" when absent, else in double quotes with \\ \" \t \n \r escaped;
// USER is "-" for no user notification, else six more columns follow its "user" word:
// FLAGS, TITLE, TEXT, SOUND, MAXSOUND, RESERVED. Lines starting with # and blank lines are
// ignored. Records are kept in handle order. C counts the record lines, so that a store cut
// short at a line boundary is told from a shorter one; a store without it (cut inside that
// line, or written before the count) and an empty file read as damaged, their records kept.
// Handles are given in rising order, so N lies above every kept handle; once the numbers have
// run past 4294967295 the store says "wrapped" and handles are given from the lowest free one
// at N on, so N may then lie anywhere.
//
// This text is the store's snapshot; the changes made since it was written follow in its
// journal (StoreJournal.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "NotificationRecord.h"
#include "RecordTable.h"

namespace cedev::notify {

struct StoreContent {
  // Where the search for a free handle starts. Until the numbers wrap a cleared handle's number
  // is not given again.
  DWORD nextHandle = 1;
  bool wrapped = false;  // handles have run past 4294967295 and start again from 1
  RecordTable records;   // by handle

  // Keeps `record` under its handle, in place of one that had it.
  NotificationRecord& Put(NotificationRecord record) { return records.Put(std::move(record)); }

  friend bool operator==(const StoreContent&, const StoreContent&) = default;
};

// The handle the next registration gets (never 0, never one in use), and the store's next
// handle and wrap after it, without changing the content; 0 when every number is in use.
struct NewHandle {
  DWORD handle = 0;
  DWORD nextHandle = 1;
  bool wrapped = false;
};
NewHandle FindNewHandle(const StoreContent& content);

// Gives `record` the next free handle (FindNewHandle), keeps it and returns the handle; 0 when
// every number is in use (nothing changes then).
DWORD AddWithNewHandle(StoreContent& content, NotificationRecord record);

std::string FormatStore(const StoreContent& content);

// Appends `c`, a tab, newline or carriage return as \t, \n or \r: a column of the store's lines,
// or of a listing of them, stays on its line and between its tabs. (Inline: the store's text is
// written a character at a time.)
inline void AppendOnOneLine(std::string& out, char c) {
  switch (c) {
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      out += c;
  }
}

// One record as a line of the store, without its newline, appended to `out`.
void AppendRecordLine(std::string& out, const NotificationRecord& record);

// The record of one line (without its newline), or the reason it is not one.
std::string ParseRecordLine(std::string_view line, NotificationRecord& record);

// Every line that reads is kept; each one that does not, and a missing or bad next-handle
// line, is listed in `problems` as "line N: WHY". The next handle is never at or below a kept
// handle. `recycled`: a content no longer needed, whose records' room the new one reuses (a
// process reading its store again); nothing of what it held is kept.
struct ParsedStore {
  StoreContent content;
  std::vector<std::string> problems;
};
ParsedStore ParseStore(std::string_view text, StoreContent recycled = {});

}  // namespace cedev::notify
