// The notification store's functions (NotificationStore.h) for a Windows process: the same
// files as the device's (a snapshot, a journal of changes, a change count), read and changed
// under the device lock through DeviceFiles.h. A Windows run of the program is short and its
// store small, so the store is read whole at each call rather than cached; each change appends
// one journal line, flushed, and moves the change count, so that the device's processes see it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <utility>

#include "ChangeCount.h"
#include "DeviceError.h"
#include "DeviceFiles.h"
#include "NotificationStore.h"
#include "RecordLayout.h"
#include "StoreJournal.h"

namespace cedev::notify {
namespace {

constexpr const char* kStoreFile = "notifications";
constexpr const char* kJournalFile = "notifications.journal";
// The device folds the journal into a new snapshot once it is larger than the snapshot and
// than this; so does this side, so that neither lets it grow.
constexpr std::size_t kJournalFloorBytes = 16 * 1024;
constexpr DWORD kLastHandle = 0xFFFFFFFFu;

std::mutex g_reportMutex;
DamageReporter g_reporter;          // guarded by g_reportMutex
std::optional<std::string> g_last;  // guarded by g_reportMutex

struct Current {
  StoreContent content;
  std::size_t snapshotBytes = 0;
  std::size_t journalWhole = 0;  // where the journal's last whole line ends
  std::size_t journalBytes = 0;
  std::vector<std::string> reports;
};

std::string DamageMessage(const std::wstring& file, const std::vector<std::string>& problems,
                          std::size_t kept, const std::wstring& aside) {
  std::string message = cewin::Narrow(file) + ": damaged (" + problems.front();
  if (problems.size() > 1) message += ", and " + std::to_string(problems.size() - 1) + " more";
  return message + "); kept the " + std::to_string(kept) +
         " readable notifications; the damaged file is kept as " + cewin::Narrow(aside);
}

void WriteSnapshot(Current& store) {
  const std::string text = FormatStore(store.content);
  cewin::WriteStateAtomic(kStoreFile, text);
  // Left in place the journal would be read again over a snapshot that holds its changes,
  // which gives the same store.
  cewin::RemoveState(kJournalFile);
  store.snapshotBytes = text.size();
  store.journalWhole = store.journalBytes = 0;
}

// The store as its files hold it, damage repaired as the device repairs it (the damaged file
// kept aside, the readable records written back). Device lock held.
Current Load() {
  Current store;
  const std::optional<std::string> snapshot = cewin::ReadState(kStoreFile);
  const std::optional<std::string> journal = cewin::ReadState(kJournalFile);
  ParsedStore parsed;
  if (snapshot) parsed = ParseStore(*snapshot);
  ParsedJournal changes;
  if (journal) changes = ParseJournal(*journal);
  for (JournalEntry& entry : changes.entries) ApplyEntry(parsed.content, std::move(entry));
  StoreContent& content = parsed.content;
  if (!content.wrapped && !content.records.empty() &&
      content.nextHandle <= content.records.LastHandle()) {
    const DWORD last = content.records.LastHandle();
    changes.problems.push_back("the journal leaves the next handle " +
                               std::to_string(content.nextHandle) + " at or below a kept handle");
    content.wrapped = last == kLastHandle;
    content.nextHandle = last == kLastHandle ? 1 : last + 1;
  }
  store.content = std::move(content);
  store.snapshotBytes = snapshot ? snapshot->size() : 0;
  store.journalWhole = changes.wholeBytes;
  store.journalBytes = journal ? journal->size() : 0;
  if (parsed.problems.empty() && changes.problems.empty()) return store;
  const std::size_t kept = store.content.records.size();
  if (!parsed.problems.empty())
    store.reports.push_back(DamageMessage(cewin::StatePath(kStoreFile), parsed.problems, kept,
                                          cewin::KeepAside(kStoreFile)));
  if (!changes.problems.empty())
    store.reports.push_back(DamageMessage(cewin::StatePath(kJournalFile), changes.problems, kept,
                                          cewin::KeepAside(kJournalFile)));
  cewin::StoreChange change;
  WriteSnapshot(store);
  return store;
}

void Report(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    DamageReporter reporter;
    {
      std::lock_guard lock(g_reportMutex);
      g_last = message;
      reporter = g_reporter;
    }
    if (reporter) {
      reporter(message);
    } else {
      std::fprintf(stderr, "%s\n", message.c_str());
    }
  }
}

// Runs `use` on the store as it is now, under the device lock; StateError becomes the device's
// DeviceError, which the service turns into its failure.
template <typename Use>
auto WithStore(Use use) {
  std::vector<std::string> reports;
  std::optional<decltype(use(std::declval<Current&>()))> result;
  try {
    cewin::DeviceLock lock;
    Current store = Load();
    reports = std::move(store.reports);
    result.emplace(use(store));
  } catch (const cewin::StateError& e) {
    throw DeviceError(cewin::Narrow(cewin::StatePath(kStoreFile)), e.what());
  }
  Report(reports);
  return std::move(*result);
}

// Appends the entries as one change, flushed, and makes them in `store`. Device lock held.
void Commit(Current& store, std::vector<JournalEntry> entries) {
  cewin::StoreChange change;
  // A torn last line (a writer ended while writing it) is cut off before the next is appended.
  if (store.journalBytes > store.journalWhole &&
      !cewin::CutState(kJournalFile, store.journalWhole)) {
    throw cewin::StateError(cewin::StatePath(kJournalFile), "cannot cut off a torn last line",
                            GetLastError());
  }
  std::string text;
  if (store.journalWhole == 0) text += JournalHeading();
  for (const JournalEntry& entry : entries) AppendJournalLine(text, entry);
  cewin::AppendState(kJournalFile, text);
  store.journalWhole += text.size();
  store.journalBytes = store.journalWhole;
  for (JournalEntry& entry : entries) ApplyEntry(store.content, std::move(entry));
  if (store.journalWhole > std::max(store.snapshotBytes, kJournalFloorBytes)) WriteSnapshot(store);
}

}  // namespace

std::filesystem::path StorePath() { return cewin::StatePath(kStoreFile); }
std::filesystem::path JournalPath() { return cewin::StatePath(kJournalFile); }

std::shared_ptr<const StoreContent> ReadStore(Look) {
  return WithStore([](Current& store) {
    return std::make_shared<const StoreContent>(std::move(store.content));
  });
}

std::vector<DWORD> StoreHandles(Look) {
  return WithStore([](Current& store) {
    std::vector<DWORD> handles;
    for (const NotificationRecord& record : store.content.records) handles.push_back(record.handle);
    return handles;
  });
}

DWORD FetchRecord(DWORD handle, BYTE* buffer, DWORD size) {
  return WithStore([&](Current& store) -> DWORD {
    const NotificationRecord* record = store.content.records.Find(handle);
    if (record == nullptr) return 0;
    const DWORD needed = RecordBufferSize(*record);
    if (buffer != nullptr && size >= needed) WriteRecordBuffer(*record, buffer);
    return needed;
  });
}

DWORD AddRecord(NotificationRecord record) {
  return WithStore([&](Current& store) -> DWORD {
    const NewHandle found = FindNewHandle(store.content);
    if (found.handle == 0) return 0;
    record.handle = found.handle;
    std::vector<JournalEntry> entries;
    entries.push_back(JournalEntry::Add(std::move(record), found.nextHandle, found.wrapped));
    Commit(store, std::move(entries));
    return found.handle;
  });
}

bool ReplaceRecord(NotificationRecord record) {
  return WithStore([&](Current& store) {
    if (store.content.records.Find(record.handle) == nullptr) return false;
    std::vector<JournalEntry> entries;
    entries.push_back(JournalEntry::Set(std::move(record)));
    Commit(store, std::move(entries));
    return true;
  });
}

std::vector<DWORD> ClearRecords(const std::vector<DWORD>& handles, Flush) {
  return WithStore([&](Current& store) {
    std::vector<DWORD> removed;
    std::vector<JournalEntry> entries;
    for (const DWORD handle : handles) {
      if (store.content.records.Find(handle) == nullptr ||
          std::find(removed.begin(), removed.end(), handle) != removed.end()) {
        continue;
      }
      removed.push_back(handle);
      entries.push_back(JournalEntry::Clear(handle));
    }
    if (!entries.empty()) Commit(store, std::move(entries));
    return removed;
  });
}

// Every change is flushed when it is made.
void FlushStore() {}

void CompactStore() {
  WithStore([](Current& store) {
    cewin::StoreChange change;
    WriteSnapshot(store);
    return true;
  });
}

DamageReporter SetDamageReporter(DamageReporter reporter) {
  std::lock_guard lock(g_reportMutex);
  std::swap(g_reporter, reporter);
  return reporter;
}

std::optional<std::string> LastDamage() {
  std::lock_guard lock(g_reportMutex);
  return g_last;
}

}  // namespace cedev::notify
