// The schedule file: little-endian, an 8-byte header (tap point x and y, EventHandle) and one
// 5-byte record per item (days, hour, minute, second, mute). The file has no count; records run
// to the end, and bytes after the last whole record are ignored.
#pragma once

#include <windows.h>

#include "FileError.h"
#include "RecordFile.h"
#include "Schedule.h"

constexpr DWORD kScheduleHeaderSize = 8;
constexpr DWORD kItemRecordSize = 5;

// Reads the file into the schedule: header fields are overwritten, records appended. Raises
// FileError; what was read before a failure stays in the schedule.
void LoadSchedule(Schedule& schedule, LPCTSTR path);

// Writes the schedule to the file. The new content goes to a file of the save's own beside it
// first ("<file>.~XXXXXXXX.tmp", made exclusively) and replaces the old file only when it is
// whole, so a failed or killed save leaves the previous file as it was; the next save removes a
// killed save's file. Raises FileError: cause 1 with " Err: <code>" after the path when the
// file or the save's own file cannot be opened.
void SaveSchedule(const Schedule& schedule, LPCTSTR path);

// One 5-byte record. ReadItemRecord returns false, leaving the item as it was, at the end of the
// file; both raise FileError on a platform failure.
bool ReadItemRecord(RecordReader& file, ScheduleItem& item);
void WriteItemRecord(RecordWriter& file, const ScheduleItem& item);
