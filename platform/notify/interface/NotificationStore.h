// The device's notification store, shared by every process of the device:
//   ROOT/.device/notifications          the snapshot (StoreText.h), replaced whole and atomically
//   ROOT/.device/notifications.journal  the changes since, one line each (StoreJournal.h)
//   ROOT/.device/notifications.changes  the change count (ChangeCounter.h), mapped by each process
// Every change is written under the device lock as one line appended to the journal, and adds
// one to the change count; when the journal has grown past the snapshot (and past 16 KiB) the
// writer folds it into a new snapshot and removes it. So a removal or a registration costs the
// same whatever the store's size, and a process sees another's change at its next call through
// the count, without a system call while nothing changes.
//
// A registration or replacement is on disk (flushed) when its call returns. A removal is in the
// store for every process at once, and flushed to disk with the next flushed change, by
// FlushStore, or when its process ends: a power cut in between can bring a removed notification
// back, never lose a registered one.
//
// A damaged store (lines the device cannot read, in the snapshot or the journal) is never
// silently dropped: the damaged file is copied aside as NAME.damaged (or .damaged-2, ...) for a
// person to look at, the readable notifications are written back as the store, and the damage
// is reported.
//
// Thread safety: every function may be called from any thread. One mutex guards what this
// process remembers of the store (the content, the change count it last saw, the files' stamps);
// it is taken after the device lock, never before it, and no caller code runs under it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "StoreText.h"

namespace cedev::notify {

std::filesystem::path StorePath();    // the snapshot
std::filesystem::path JournalPath();  // its journal

// How a read makes sure that what it gives is the store as it is now.
enum class Look {
  // By the change count alone: every change made through the device, by any process, is seen.
  // No system call when nothing has changed.
  counted,
  // Also by the files' identities (a stat of each): a file changed behind the device's back, by
  // hand or by a test, is seen too. Each walk of the store starts with such a look.
  full,
};

// The store as it is now. The content stays as it was for its holders; later changes make a
// new one. Throws DeviceError when the store cannot be read, or a damaged one cannot be set
// aside.
std::shared_ptr<const StoreContent> ReadStore(Look look = Look::full);

// The handles of the store in handle order.
std::vector<DWORD> StoreHandles(Look look);

// The size of the record's buffer as CeGetUserNotification lays it out (RecordLayout.h), 0 when
// no record has that handle; when `size` holds it, the record is written into `buffer` too.
DWORD FetchRecord(DWORD handle, BYTE* buffer, DWORD size);

// Registers `record` under a new handle and returns the handle; 0 when every number is in use.
// Flushed to disk before it returns. Throws DeviceError (the store then stays as it was).
DWORD AddRecord(NotificationRecord record);

// Puts `record` in place of the one with its handle; false when there is none. Flushed.
bool ReplaceRecord(NotificationRecord record);

// Removes the records with these handles, as one change; returns the handles it removed (those
// no other process removed first). `now`: flushed to disk before it returns.
enum class Flush { now, later };
std::vector<DWORD> ClearRecords(const std::vector<DWORD>& handles, Flush flush);

// Flushes to disk what this process has written to the store and not yet flushed.
void FlushStore();

// Folds the journal into a new snapshot now.
void CompactStore();

// The time notifications due by `byMs` (device milliseconds), earliest first (equal times in
// handle order), at most `most` of them; and the start of the earliest one after those.
struct DueRecords {
  std::vector<NotificationRecord> due;
  std::optional<std::int64_t> nextStartMs;
};
DueRecords TimeRecordsDue(std::int64_t byMs, std::size_t most);

// Where damage reports go; by default standard error. Returns the previous reporter.
using DamageReporter = std::function<void(const std::string& message)>;
DamageReporter SetDamageReporter(DamageReporter reporter);

// The report of the last damage this process found, if any.
std::optional<std::string> LastDamage();

}  // namespace cedev::notify
