#include "NotificationStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ChangeCounter.h"
#include "DeviceError.h"
#include "DeviceRoot.h"
#include "DeviceTime.h"
#include "RecordLayout.h"
#include "StateFiles.h"
#include "StoreJournal.h"

namespace fs = std::filesystem;

namespace cedev::notify {
namespace {

constexpr const char* kStoreFile = "notifications";
constexpr const char* kJournalFile = "notifications.journal";
constexpr const char* kCounterFile = "notifications.changes";
// The journal is folded into a new snapshot once it is larger than the snapshot, so that a
// reader never reads more than twice the store; but not below this size, so that a small store
// is not rewritten whole at nearly every change.
constexpr std::uint64_t kJournalFloorBytes = 16 * 1024;
constexpr DWORD kLastHandle = 0xFFFFFFFFu;

// What identifies one version of a file: a change replaces it by rename or appends to it, so
// its inode, size or times differ.
struct FileStamp {
  bool exists = false;
  mode_t mode = 0;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long modifiedNs = 0;
  long long changedNs = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& info) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.mode = info.st_mode;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedNs =
      static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
  stamp.changedNs =
      static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec;
  return stamp;
}

FileStamp StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return StampOf(info);
}

// The store's host paths, found without touching the disk: a walk asks for every record, and
// an ask must cost no system call. They are built again only when a variable that names the
// device root changes (tests move the root in-process).
struct Paths {
  std::string snapshot, journal, counter;
};

const Paths& CurrentPaths() {
  struct Known {
    std::string root, data, home;
    Paths paths;
    bool made = false;
  };
  thread_local Known known;
  const auto text = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value != nullptr ? value : "");
  };
  // CEDEVICE_ROOT names the root whenever it is set; the others count only without it.
  const std::string_view root = text("CEDEVICE_ROOT");
  const bool same =
      known.made && root == known.root &&
      (!root.empty() || (text("XDG_DATA_HOME") == known.data && text("HOME") == known.home));
  if (!same) {
    known.root = root;
    known.data = text("XDG_DATA_HOME");
    known.home = text("HOME");
    const fs::path folder = DeviceRootPath() / ".device";
    known.paths = Paths{(folder / kStoreFile).string(), (folder / kJournalFile).string(),
                        (folder / kCounterFile).string()};
    known.made = true;
  }
  return known.paths;
}

std::int64_t StartMs(const NotificationRecord& record) {
  return ToMilliseconds(FromSystemTime(record.start));
}

// What this process knows of the store. Every field is guarded by `mutex`.
struct Cache {
  std::mutex mutex;
  std::string snapshotPath;  // the device root the rest belongs to; empty: nothing known
  std::shared_ptr<StoreContent> content;  // null: not read
  // The record last fetched: a walk asks for each record twice, in handle order, so the next
  // one asked for is this one or the one after it. Dropped with every change.
  std::optional<RecordTable::const_iterator> lastFetched;
  bool published = false;  // `content` was handed out: a change works on a copy
  // The time notifications in due order, made when the runner first asks (a listing never
  // needs it) and kept with every change from then on.
  std::optional<std::set<std::pair<std::int64_t, DWORD>>> byStart;
  ChangeCounter counter;
  std::optional<std::uint64_t> seenCount;  // the change count `content` stands for
  FileStamp snapshot, journal;             // the files `content` was read from or written to
  std::uint64_t snapshotBytes = 0;
  std::uint64_t journalWhole = 0;  // where the journal's last whole line ends
  std::string unflushed;           // a journal written and not yet flushed to disk
  // The journal kept open from one change to the next: the one at its path while the cache is
  // current and `journal` names the inode it has.
  int journalFd = -1;
  FileStamp journalFdStamp;
  FileStamp scannedFolder;  // the state folder when it was last searched for leftovers
  DamageReporter reporter;
  std::optional<std::string> lastDamage;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

void Report(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    Cache& cache = TheCache();
    DamageReporter reporter;
    {
      std::lock_guard lock(cache.mutex);
      cache.lastDamage = message;
      reporter = cache.reporter;
    }
    if (reporter) {
      reporter(message);
    } else {
      std::fprintf(stderr, "%s\n", message.c_str());
    }
  }
}

void IndexAdd(Cache& cache, const NotificationRecord& record) {
  if (cache.byStart && record.type == CNT_TIME)
    cache.byStart->emplace(StartMs(record), record.handle);
}

void IndexRemove(Cache& cache, const NotificationRecord& record) {
  if (cache.byStart && record.type == CNT_TIME)
    cache.byStart->erase({StartMs(record), record.handle});
}

// The file's content and stamp, or nothing when it does not exist. `seen`: what a look at it just
// found, which saves looking again before it is opened.
std::optional<std::string> ReadWithStamp(const std::string& path, FileStamp& stamp,
                                         const FileStamp* seen = nullptr) {
  stamp = {};
  if (seen != nullptr && !seen->exists) return std::nullopt;
  struct stat info {};
  const int fd = seen != nullptr ? OpenStateFileLookedAt(path, O_RDONLY, seen->mode, &info)
                                 : OpenStateFileAt(path, O_RDONLY, &info);
  if (fd < 0) return std::nullopt;
  stamp = StampOf(info);
  // The size the file had when it was opened: what a writer adds after it goes with a change
  // that the stamp or the change count shows.
  std::string content(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  while (got < content.size()) {
    const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string why = std::string("cannot read: ") + std::strerror(errno);
      ::close(fd);
      throw DeviceError(path, why);
    }
    if (n == 0) break;  // cut short meanwhile
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  content.resize(got);
  return content;
}

// A writer killed between writing its temporary file and renaming it leaves that file behind
// (notifications.tmp.PID.N). Every writer of the store holds the device lock, so with the lock
// held any such file is a dead writer's: it is never read, and removed here so none pile up.
// The folder is searched again only when it has changed since (a file made or removed in it).
void RemoveLeftoverTemporariesLocked(Cache& cache) {
  const fs::path store = CurrentPaths().snapshot;
  const FileStamp folder = StampOf(store.parent_path().string());
  if (folder.exists && folder == cache.scannedFolder) return;
  cache.scannedFolder = folder;
  const std::string prefix = store.filename().string() + ".tmp.";
  std::error_code ec;
  for (fs::directory_iterator it(store.parent_path(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().starts_with(prefix)) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

void CloseJournal(Cache& cache) {
  if (cache.journalFd >= 0) ::close(cache.journalFd);
  cache.journalFd = -1;
}

std::string DamageMessage(const fs::path& file, const std::vector<std::string>& problems,
                          std::size_t kept, const fs::path& aside) {
  std::string message = file.string() + ": damaged (" + problems.front();
  if (problems.size() > 1) message += ", and " + std::to_string(problems.size() - 1) + " more";
  message += "); kept the " + std::to_string(kept) +
             " readable notifications; the damaged file is kept as " + aside.string();
  return message;
}

// A journal that leaves the next handle at or below a kept one (only damage can): the reason,
// with the next handle put above them again.
std::optional<std::string> KeepNextHandleAbove(StoreContent& content) {
  if (content.wrapped || content.records.empty()) return std::nullopt;
  const DWORD last = content.records.LastHandle();
  if (content.nextHandle > last) return std::nullopt;
  const std::string why = "the journal leaves the next handle " +
                          std::to_string(content.nextHandle) + " at or below a kept handle";
  content.wrapped = last == kLastHandle;
  content.nextHandle = last == kLastHandle ? 1 : last + 1;
  return why;
}

void Install(Cache& cache, StoreContent content) {
  cache.content = std::make_shared<StoreContent>(std::move(content));
  cache.published = false;
  cache.byStart.reset();
  cache.lastFetched.reset();
}

// Folds the journal into a new snapshot of `content`. Device lock and cache mutex held.
void WriteSnapshotLocked(Cache& cache, const StoreContent& content) {
  const std::string text = FormatStore(content);
  WriteStateAtomic(kStoreFile, text);  // flushed: everything the journal held is on disk
  const Paths& paths = CurrentPaths();
  // Left in place, the journal would be read again over a snapshot that holds its changes,
  // which gives the same store.
  CloseJournal(cache);
  ::unlink(paths.journal.c_str());
  cache.snapshot = StampOf(paths.snapshot);
  cache.journal = StampOf(paths.journal);
  cache.snapshotBytes = text.size();
  cache.journalWhole = static_cast<std::uint64_t>(cache.journal.size);
  cache.unflushed.clear();
}

// The store's files as they were read, and what they hold.
struct Loaded {
  std::optional<std::string> snapshot, journal;
  FileStamp snapshotStamp, journalStamp;
  ParsedStore store;
  ParsedJournal changes;

  bool Damaged() const { return !store.problems.empty() || !changes.problems.empty(); }
};

// What a full look found of the store's files, and the change count before it looked.
struct Seen {
  FileStamp snapshot, journal;
  std::optional<std::uint64_t> count;
};

Loaded ReadFiles(const Paths& paths, const Seen* seen = nullptr) {
  Loaded loaded;
  loaded.snapshot =
      ReadWithStamp(paths.snapshot, loaded.snapshotStamp, seen ? &seen->snapshot : nullptr);
  loaded.journal =
      ReadWithStamp(paths.journal, loaded.journalStamp, seen ? &seen->journal : nullptr);
  return loaded;
}

// `recycled`: the content read before, whose records' room the new one reuses.
void ParseFiles(Loaded& loaded, StoreContent recycled) {
  if (loaded.snapshot) loaded.store = ParseStore(*loaded.snapshot, std::move(recycled));
  if (!loaded.journal) return;
  loaded.changes = ParseJournal(*loaded.journal);
  for (JournalEntry& entry : loaded.changes.entries) {
    ApplyEntry(loaded.store.content, std::move(entry));
  }
  loaded.changes.entries.clear();
  if (auto why = KeepNextHandleAbove(loaded.store.content)) loaded.changes.problems.push_back(*why);
}

// The content the cache holds, taken out of it to be read again into its room; nothing when it
// was handed out (its holders still read it). Cache mutex held.
StoreContent TakeForRecycling(Cache& cache) {
  std::shared_ptr<StoreContent> old = std::move(cache.content);
  cache.lastFetched.reset();
  if (!old || cache.published) return {};
  return std::move(*old);
}

// Forgets what the cache knew of another device root. Cache mutex held.
void FollowRoot(Cache& cache, const Paths& paths) {
  if (cache.snapshotPath == paths.snapshot) return;
  cache.content.reset();
  cache.lastFetched.reset();
  cache.counter.Detach();
  CloseJournal(cache);
  cache.unflushed.clear();
  cache.snapshotPath = paths.snapshot;
}

void InstallLoaded(Cache& cache, Loaded& loaded, std::optional<std::uint64_t> count) {
  cache.snapshot = loaded.snapshotStamp;
  cache.journal = loaded.journalStamp;
  cache.snapshotBytes = loaded.snapshot ? loaded.snapshot->size() : 0;
  cache.journalWhole = loaded.changes.wholeBytes;
  cache.seenCount = count;
  Install(cache, std::move(loaded.store.content));
}

// Reads the store's files into the cache without the device lock, when the change count says
// that no change was being made and none was made meanwhile; false (nothing read) otherwise, or
// when the store is damaged, which a reader under the lock repairs. `seen`: a full look's
// findings, used when the count has not moved since it looked. Cache mutex held.
bool LoadUnlocked(Cache& cache, const Paths& paths, const Seen* seen) {
  FollowRoot(cache, paths);
  cache.counter.Attach(paths.counter, false);
  const std::optional<std::uint64_t> before = cache.counter.Read();
  if (!before || (*before & 1) != 0) return false;
  Loaded loaded = ReadFiles(paths, seen != nullptr && seen->count == before ? seen : nullptr);
  // The files were read by system calls, which a load of the count after them cannot pass.
  if (cache.counter.Read() != before) return false;
  ParseFiles(loaded, TakeForRecycling(cache));
  if (loaded.Damaged()) return false;
  InstallLoaded(cache, loaded, before);
  return true;
}

// Reads the store's files into the cache; repairs damage and returns its reports. Device lock
// and cache mutex held.
std::vector<std::string> LoadLocked(Cache& cache, const Paths& paths) {
  FollowRoot(cache, paths);
  StoreContent recycled = TakeForRecycling(cache);  // the cache has none until it is read whole
  cache.counter.Attach(paths.counter, true);        // beside the device lock, which the lock made
  cache.counter.MakeWhole();
  Loaded loaded = ReadFiles(paths);
  ParseFiles(loaded, std::move(recycled));
  std::vector<std::string> reports;
  if (!loaded.Damaged()) {
    InstallLoaded(cache, loaded, cache.counter.Read());
    return reports;
  }
  cache.counter.BeginChange();
  const StoreContent& content = loaded.store.content;
  if (!loaded.store.problems.empty()) {
    reports.push_back(DamageMessage(StorePath(), loaded.store.problems, content.records.size(),
                                    KeepAside(kStoreFile)));
  }
  if (!loaded.changes.problems.empty()) {
    reports.push_back(DamageMessage(JournalPath(), loaded.changes.problems, content.records.size(),
                                    KeepAside(kJournalFile)));
  }
  RemoveLeftoverTemporariesLocked(cache);
  WriteSnapshotLocked(cache, content);
  cache.seenCount = cache.counter.EndChange();
  Install(cache, std::move(loaded.store.content));
  return reports;
}

// Whether the cache is the store as it is now. A counted look trusts the device root the cache
// was read from (a process that moves its root in-process starts again with a full look).
bool FreshLocked(Cache& cache, const Paths* paths, const FileStamp& snapshot,
                 const FileStamp& journal) {
  if (!cache.content) return false;
  const std::optional<std::uint64_t> count = cache.counter.Read();
  if (!count || count != cache.seenCount) return false;
  return paths == nullptr || (cache.snapshotPath == paths->snapshot && snapshot == cache.snapshot &&
                              journal == cache.journal);
}

// Makes the cache the store as it is now, by a full look. Device lock and cache mutex held.
std::vector<std::string> MakeCurrentLocked(Cache& cache) {
  const Paths& paths = CurrentPaths();
  // A count file removed or replaced since it was mapped is mapped again before anything is
  // counted on it.
  if (cache.content && cache.snapshotPath == paths.snapshot)
    cache.counter.Attach(paths.counter, true);
  if (FreshLocked(cache, &paths, StampOf(paths.snapshot), StampOf(paths.journal))) return {};
  return LoadLocked(cache, paths);
}

// Runs `use` (this file's own code, which only copies out) on the current content.
template <typename Use>
auto WithCurrent(Look look, Use use) {
  Cache& cache = TheCache();
  const Paths* paths = nullptr;
  if (look == Look::full) paths = &CurrentPaths();
  bool known = false;  // whether there is a cache of this root to look at (one stat each file)
  Seen seen;
  {
    std::lock_guard lock(cache.mutex);
    if (paths == nullptr && FreshLocked(cache, nullptr, {}, {})) return use(cache);
    known = cache.content && (paths == nullptr || cache.snapshotPath == paths->snapshot);
    seen.count = cache.counter.Read();
  }
  if (known && paths != nullptr) {
    seen.snapshot = StampOf(paths->snapshot);
    seen.journal = StampOf(paths->journal);
    std::lock_guard lock(cache.mutex);
    if (FreshLocked(cache, paths, seen.snapshot, seen.journal)) return use(cache);
  }
  {
    // Most reads of a changed store need no lock: the change count tells whether a writer was
    // at work meanwhile.
    std::lock_guard lock(cache.mutex);
    if (LoadUnlocked(cache, CurrentPaths(), known && paths != nullptr ? &seen : nullptr))
      return use(cache);
  }
  std::vector<std::string> reports;
  std::optional<decltype(use(cache))> result;
  {
    DeviceLock deviceLock;  // a damaged store is repaired by one process only
    std::lock_guard lock(cache.mutex);
    reports = LoadLocked(cache, CurrentPaths());
    result.emplace(use(cache));
  }
  Report(reports);
  return std::move(*result);
}

// Appends `text` (whole lines) to the journal, cutting off a torn tail first. Device lock and
// cache mutex held, the cache current. Throws DeviceError with the journal as it was.
void AppendJournalLocked(Cache& cache, std::string_view text, Flush flush) {
  // The journal open from the last change is still the one at its path when the cache, just
  // found current by its files' stamps, names the same file.
  const FileStamp& there = cache.journal;
  const bool same = cache.journalFd >= 0 && there.exists &&
                    there.device == cache.journalFdStamp.device &&
                    there.inode == cache.journalFdStamp.inode;
  if (!same) {
    CloseJournal(cache);
    cache.journalFd = OpenStateFile(kJournalFile, O_WRONLY | O_CREAT | O_APPEND);
    struct stat opened {};
    if (::fstat(cache.journalFd, &opened) != 0) {
      const std::string why = std::string("cannot append: ") + std::strerror(errno);
      CloseJournal(cache);
      throw DeviceError(JournalPath(), why);
    }
    cache.journal = StampOf(opened);
    cache.journalFdStamp = cache.journal;
  }
  const int fd = cache.journalFd;
  const auto fail = [&](const char* doing) {
    const std::string why = std::string(doing) + ": " + std::strerror(errno);
    // A line written in part would read as a torn tail, or join the next writer's line.
    if (::ftruncate(fd, static_cast<off_t>(cache.journalWhole)) == 0) ::fsync(fd);
    CloseJournal(cache);
    cache.content.reset();  // read again: the file is as it was, or not known
    throw DeviceError(JournalPath(), why);
  };
  if (static_cast<std::uint64_t>(cache.journal.size) > cache.journalWhole &&
      ::ftruncate(fd, static_cast<off_t>(cache.journalWhole)) != 0) {
    fail("cannot cut off a torn last line");
  }
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("cannot append");
    done += static_cast<std::size_t>(n);
  }
  if (flush == Flush::now && ::fdatasync(fd) != 0) fail("cannot flush");
  struct stat info {};
  if (::fstat(fd, &info) != 0) fail("cannot append");
  cache.journal = StampOf(info);
  cache.journalFdStamp = cache.journal;
  cache.journalWhole += text.size();
}

// Writes `entries` as one change and makes them in the cache. Device lock and cache mutex held,
// the cache current.
void CommitLocked(Cache& cache, std::vector<JournalEntry> entries, Flush flush) {
  RemoveLeftoverTemporariesLocked(cache);
  cache.counter.BeginChange();
  std::string text;
  if (cache.journalWhole == 0) text += JournalHeading();
  for (const JournalEntry& entry : entries) AppendJournalLine(text, entry);
  AppendJournalLocked(cache, text, flush);
  cache.lastFetched.reset();
  if (cache.published) {
    cache.content = std::make_shared<StoreContent>(*cache.content);
    cache.published = false;
  }
  StoreContent& content = *cache.content;
  for (JournalEntry& entry : entries) {
    if (const NotificationRecord* old = content.records.Find(entry.handle))
      IndexRemove(cache, *old);
    if (entry.kind != JournalEntry::Kind::clear) IndexAdd(cache, entry.record);
    ApplyEntry(content, std::move(entry));
  }
  if (flush == Flush::now) {
    cache.unflushed.clear();
  } else {
    cache.unflushed = CurrentPaths().journal;
  }
  if (cache.journalWhole > std::max(cache.snapshotBytes, kJournalFloorBytes))
    WriteSnapshotLocked(cache, content);
  cache.seenCount = cache.counter.EndChange();
}

// Flushes the journal this process wrote without flushing. Cache mutex held.
void FlushLocked(Cache& cache) {
  if (cache.unflushed.empty()) return;
  const std::string path = std::exchange(cache.unflushed, std::string());
  struct stat info {};
  // Only a plain file is opened; one compacted away meanwhile was flushed by its compaction.
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return;
  const bool flushed = ::fdatasync(fd) == 0;
  const std::string why = flushed ? std::string() : std::strerror(errno);
  ::close(fd);
  if (!flushed) throw DeviceError(path, "cannot flush: " + why);
}

void FlushAtExit() {
  Cache& cache = TheCache();
  // A thread still inside the service as the process ends is not waited for.
  std::unique_lock lock(cache.mutex, std::try_to_lock);
  if (!lock.owns_lock()) return;
  try {
    FlushLocked(cache);
  } catch (const DeviceError&) {
    // The process is ending: what could not be flushed is in the store all the same.
  }
}

// Runs `change` (this file's own code) with the store current, under the device lock, and
// reports damage found on the way once the locks are let go.
template <typename Change>
auto Changing(Change change) {
  Cache& cache = TheCache();
  std::vector<std::string> reports;
  std::optional<decltype(change(cache))> result;
  {
    DeviceLock deviceLock;
    std::lock_guard lock(cache.mutex);
    reports = MakeCurrentLocked(cache);
    result.emplace(change(cache));
  }
  Report(reports);
  return std::move(*result);
}

}  // namespace

fs::path StorePath() { return DeviceStatePath(kStoreFile); }
fs::path JournalPath() { return DeviceStatePath(kJournalFile); }

std::shared_ptr<const StoreContent> ReadStore(Look look) {
  return WithCurrent(look, [](Cache& cache) {
    cache.published = true;
    return std::shared_ptr<const StoreContent>(cache.content);
  });
}

std::vector<DWORD> StoreHandles(Look look) {
  return WithCurrent(look, [](Cache& cache) {
    std::vector<DWORD> handles;
    handles.reserve(cache.content->records.size());
    for (const NotificationRecord& record : cache.content->records)
      handles.push_back(record.handle);
    return handles;
  });
}

DWORD FetchRecord(DWORD handle, BYTE* buffer, DWORD size) {
  return WithCurrent(Look::counted, [&](Cache& cache) -> DWORD {
    const auto& records = cache.content->records;
    auto at = records.end();
    if (cache.lastFetched) {
      auto near = *cache.lastFetched;
      if (near != records.end() && near->handle != handle) ++near;
      if (near != records.end() && near->handle == handle) at = near;
    }
    if (at == records.end()) at = records.LowerBound(handle);
    if (at == records.end() || at->handle != handle) return 0;
    cache.lastFetched = at;
    const DWORD needed = RecordBufferSize(*at);
    if (buffer != nullptr && size >= needed) WriteRecordBuffer(*at, buffer);
    return needed;
  });
}

DWORD AddRecord(NotificationRecord record) {
  return Changing([&](Cache& cache) -> DWORD {
    const NewHandle found = FindNewHandle(*cache.content);
    if (found.handle == 0) return 0;
    record.handle = found.handle;
    std::vector<JournalEntry> entries;
    entries.push_back(JournalEntry::Add(std::move(record), found.nextHandle, found.wrapped));
    CommitLocked(cache, std::move(entries), Flush::now);
    return found.handle;
  });
}

bool ReplaceRecord(NotificationRecord record) {
  return Changing([&](Cache& cache) {
    if (cache.content->records.Find(record.handle) == nullptr) return false;
    std::vector<JournalEntry> entries;
    entries.push_back(JournalEntry::Set(std::move(record)));
    CommitLocked(cache, std::move(entries), Flush::now);
    return true;
  });
}

std::vector<DWORD> ClearRecords(const std::vector<DWORD>& handles, Flush flush) {
  return Changing([&](Cache& cache) {
    std::vector<DWORD> removed;
    std::vector<JournalEntry> entries;
    for (const DWORD handle : handles) {
      if (cache.content->records.Find(handle) == nullptr ||
          std::find(removed.begin(), removed.end(), handle) != removed.end()) {
        continue;
      }
      removed.push_back(handle);
      entries.push_back(JournalEntry::Clear(handle));
    }
    if (!entries.empty()) {
      static std::once_flag atExit;
      if (flush == Flush::later) std::call_once(atExit, [] { std::atexit(FlushAtExit); });
      CommitLocked(cache, std::move(entries), flush);
    }
    return removed;
  });
}

void FlushStore() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  FlushLocked(cache);
}

void CompactStore() {
  Changing([](Cache& cache) {
    RemoveLeftoverTemporariesLocked(cache);
    cache.counter.BeginChange();
    WriteSnapshotLocked(cache, *cache.content);
    cache.seenCount = cache.counter.EndChange();
    return true;
  });
}

DueRecords TimeRecordsDue(std::int64_t byMs, std::size_t most) {
  return WithCurrent(Look::full, [&](Cache& cache) {
    if (!cache.byStart) {
      cache.byStart.emplace();
      for (const NotificationRecord& record : cache.content->records) IndexAdd(cache, record);
    }
    DueRecords result;
    for (const auto& [startMs, handle] : *cache.byStart) {
      if (startMs > byMs || result.due.size() == most) {
        result.nextStartMs = startMs;
        break;
      }
      result.due.push_back(*cache.content->records.Find(handle));
    }
    return result;
  });
}

DamageReporter SetDamageReporter(DamageReporter reporter) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  std::swap(cache.reporter, reporter);
  return reporter;
}

std::optional<std::string> LastDamage() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  return cache.lastDamage;
}

}  // namespace cedev::notify
