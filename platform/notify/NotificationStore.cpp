#include "NotificationStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <mutex>
#include <system_error>

#include <sys/stat.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"

namespace fs = std::filesystem;

namespace cedev::notify {
namespace {

constexpr const char* kStoreFile = "notifications";

// What identifies one version of the file: a change replaces it by rename, so its inode, size
// or times differ.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long modifiedNs = 0;
  long long changedNs = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedNs =
      static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
  stamp.changedNs =
      static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec;
  return stamp;
}

struct Cache {
  std::mutex mutex;
  std::string path;  // the stamp's file: a cache of another device root is no cache
  FileStamp stamp;
  std::shared_ptr<const StoreContent> content;
  DamageReporter reporter;
  std::optional<std::string> lastDamage;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

void Report(const std::string& message) {
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

// Reads the file; repairs and reports damage. Call with the device lock held.
StoreContent LoadLocked() {
  const std::optional<std::string> text = ReadState(kStoreFile);
  if (!text) return {};
  ParsedStore parsed = ParseStore(*text);
  if (parsed.problems.empty()) return std::move(parsed.content);
  const fs::path store = StorePath();
  const fs::path aside = KeepAside(kStoreFile);
  WriteStateAtomic(kStoreFile, FormatStore(parsed.content));
  std::string message = store.string() + ": damaged (" + parsed.problems.front();
  if (parsed.problems.size() > 1)
    message += ", and " + std::to_string(parsed.problems.size() - 1) + " more";
  message += "); kept the " + std::to_string(parsed.content.records.size()) +
             " readable notifications; the damaged file is kept as " + aside.string();
  Report(message);
  return std::move(parsed.content);
}

// The store's host path for the freshness check, found without touching the disk: the walk
// asks for every record, and each ask must cost no more than one stat. The path is built again
// only when a variable that names the device root changes (tests move the root in-process).
const std::string& StampPath() {
  struct Known {
    std::string root, data, home, path;
    bool made = false;
  };
  thread_local Known known;
  const auto text = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value != nullptr ? value : "");
  };
  const std::string_view root = text("CEDEVICE_ROOT"), data = text("XDG_DATA_HOME"),
                         home = text("HOME");
  if (!known.made || root != known.root || data != known.data || home != known.home) {
    known.root = root;
    known.data = data;
    known.home = home;
    known.path = (DeviceRootPath() / ".device" / kStoreFile).string();
    known.made = true;
  }
  return known.path;
}

void Remember(std::shared_ptr<const StoreContent> content) {
  Cache& cache = TheCache();
  const std::string& path = StampPath();
  const FileStamp stamp = StampOf(path);
  std::lock_guard lock(cache.mutex);
  cache.path = path;
  cache.stamp = stamp;
  cache.content = std::move(content);
}

}  // namespace

fs::path StorePath() { return DeviceStatePath(kStoreFile); }

std::shared_ptr<const StoreContent> ReadStore() {
  Cache& cache = TheCache();
  {
    const std::string& path = StampPath();
    const FileStamp stamp = StampOf(path);
    std::lock_guard lock(cache.mutex);
    if (cache.content && stamp.exists && stamp == cache.stamp && path == cache.path)
      return cache.content;
  }
  DeviceLock deviceLock;  // a damaged store is repaired by one process only
  auto content = std::make_shared<const StoreContent>(LoadLocked());
  Remember(content);
  return content;
}

namespace {

// A writer killed between writing its temporary file and renaming it leaves that file behind
// (notifications.tmp.PID.N). Every writer of the store holds the device lock, so with the lock
// held any such file is a dead writer's: it is never read, and removed here so none pile up.
void RemoveLeftoverTemporariesLocked() {
  const fs::path store = StorePath();
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

}  // namespace

void UpdateStore(const std::function<bool(StoreContent&)>& change) {
  DeviceLock deviceLock;
  StoreContent content = LoadLocked();
  if (!change(content)) return;
  RemoveLeftoverTemporariesLocked();
  WriteStateAtomic(kStoreFile, FormatStore(content));
  Remember(std::make_shared<const StoreContent>(std::move(content)));
}

const NotificationRecord* FindRecord(const StoreContent& content, DWORD handle) {
  const auto at =
      std::lower_bound(content.records.begin(), content.records.end(), handle,
                       [](const NotificationRecord& r, DWORD h) { return r.handle < h; });
  return at != content.records.end() && at->handle == handle ? &*at : nullptr;
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
