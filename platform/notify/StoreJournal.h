// The journal of the notification store, ROOT/.device/notifications.journal: the changes made
// since the store's snapshot (StoreText.h) was written, one a line, in the order they were made.
//   add NEXT[ wrapped]<TAB>RECORD   a registration: the record as a store line, and the store's
//                                   next handle (and its wrap) after it
//   set<TAB>RECORD                  a registration that replaced the record of its handle
//   clear HANDLE                    a removal
// Lines starting with # and blank lines are ignored.
//
// A change is one line, written whole by one write under the device lock, so a reader sees it
// whole or not at all. A last line without its newline is a change whose writer was ended
// while writing it, before it could say the change was made (a torn tail): it is ignored, not
// damage, and the next writer cuts it off before it appends.
//
// Each line sets a value (a record, a removal, the next handle) rather than adjusting one, so a
// journal read over a snapshot that already holds its changes gives the same store: a writer
// ended between replacing the snapshot and removing the journal leaves a store that reads right.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "StoreText.h"

namespace cedev::notify {

struct JournalEntry {
  enum class Kind { add, set, clear };
  Kind kind = Kind::clear;
  DWORD handle = 0;           // the record's handle for add and set
  NotificationRecord record;  // add, set
  DWORD nextHandle = 1;       // add
  bool wrapped = false;       // add

  static JournalEntry Add(NotificationRecord record, DWORD nextHandle, bool wrapped);
  static JournalEntry Set(NotificationRecord record);
  static JournalEntry Clear(DWORD handle);
};

// The entry's line with its newline, appended to `out`.
void AppendJournalLine(std::string& out, const JournalEntry& entry);

// The first line of a new journal file, for a person who opens it.
std::string_view JournalHeading();

// Every whole line that reads is an entry; each that does not is listed in `problems` as
// "line N: WHY". `wholeBytes` is where the last whole line ends: what follows is a torn tail.
struct ParsedJournal {
  std::vector<JournalEntry> entries;
  std::vector<std::string> problems;
  std::size_t wholeBytes = 0;
};
ParsedJournal ParseJournal(std::string_view text);

// Makes the entry's change in `content`.
void ApplyEntry(StoreContent& content, JournalEntry entry);

}  // namespace cedev::notify
