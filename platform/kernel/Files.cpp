// Win32 files over the host's files under the device root. A share mode of 0 takes an
// exclusive flock on the open file, any other a shared one, so a second open of a file held
// exclusively, from this process or another, fails with ERROR_SHARING_VIOLATION while the first
// is open (flock locks belong to each open, so two opens in one process exclude each other too).
//
// Only plain files open. A FIFO, socket or device node under the root is refused at once with
// ERROR_ACCESS_DENIED, what Windows gives for opening a thing of its file system that is not a
// file (a folder without backup semantics): the host file is opened without blocking and looked
// at before anything reads, writes, truncates or locks it.
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "FaultHooks.h"
#include "KernelObjects.h"

namespace fs = std::filesystem;
using cedev::FileOp;
using cekernel::CheckFileFault;
using cekernel::FaultAction;

namespace {

DWORD FromErrno(int e) {
  switch (e) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EIO:
      return ERROR_IO_DEVICE;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EWOULDBLOCK:
      return ERROR_SHARING_VIOLATION;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENXIO:
    case ENODEV:
      return ERROR_ACCESS_DENIED;  // a FIFO without a reader, a socket, a device
    default:
      return ERROR_GEN_FAILURE;
  }
}

bool IsFolder(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Something is there that is not a plain file (a folder, a FIFO, a socket, a device node).
bool IsThereButNotAFile(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Opens a host file for a lock or a look without blocking on a FIFO or a device: -1 when it is
// not a plain file or cannot be opened.
int OpenPlainFileToLock(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EACCES;
    return -1;
  }
  return fd;
}

DWORD ErrorFor(const fs::path& path, int e) {
  // Windows reports a missing folder on the way as a bad path, not a missing file.
  if (e == ENOENT && !IsFolder(path.parent_path())) return ERROR_PATH_NOT_FOUND;
  return FromErrno(e);
}

// Maps a CE path for a file service; on failure the last error is set.
bool MapPath(LPCWSTR cePath, fs::path& out) {
  cekernel::LoadEnvironmentFaults();
  if (cePath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  unsigned long error = ERROR_PATH_NOT_FOUND;
  try {
    error = cedev::MapCePath(cePath, out);
  } catch (const cedev::DeviceError&) {
    // The device root itself cannot be made: nothing on it can be reached.
  }
  if (error != NO_ERROR) SetLastError(static_cast<DWORD>(error));
  return error == NO_ERROR;
}

// An I/O call on a live handle: a descriptor that refuses it was opened without that access.
DWORD IoError(int e) { return e == EBADF ? ERROR_ACCESS_DENIED : FromErrno(e); }

BOOL Failed(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// An open file: the host descriptor, and the CE path the faults and messages go by. Calls on one
// handle take turns, so a close from another thread never pulls the descriptor from under a read.
class FileObject : public cedev::KernelObject {
 public:
  FileObject(int fd, std::wstring cePath) : fd_(fd), cePath_(std::move(cePath)) {}
  ~FileObject() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  BOOL Close() override {
    const FaultAction fault = CheckFileFault(FileOp::close, cePath_);
    std::lock_guard<std::mutex> guard(lock_);
    // The handle is gone whatever happens: a failed close still lets the file go.
    const int rc = ::close(fd_);
    const int error = errno;
    fd_ = -1;
    if (fault.kind == FaultAction::Kind::fail) return Failed(fault.error);
    if (rc != 0 && error != EINTR) return Failed(FromErrno(error));
    return TRUE;
  }

  std::mutex& lock() { return lock_; }
  int fd() const { return fd_; }
  const std::wstring& cePath() const { return cePath_; }

 private:
  std::mutex lock_;
  int fd_;
  std::wstring cePath_;
};

std::shared_ptr<FileObject> LookupFile(HANDLE h) {
  cekernel::LoadEnvironmentFaults();
  auto file = cedev::LookupKernelHandleAs<FileObject>(h);
  if (file == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

// Opens the host file for a disposition; sets `existed` to whether the file was there before.
// The open never blocks (O_NONBLOCK): the caller looks at what it opened before using it.
int OpenForDisposition(const fs::path& path, int access, DWORD disposition, bool& existed) {
  access |= O_NONBLOCK;
  const bool creates =
      disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
  for (int attempt = 0; attempt < 8; ++attempt) {
    if (disposition != CREATE_NEW) {
      const int fd = ::open(path.c_str(), access | O_CLOEXEC);
      if (fd >= 0 || errno != ENOENT || !creates) {
        existed = fd >= 0;
        return fd;
      }
    }
    const int fd = ::open(path.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST || disposition == CREATE_NEW) {
      existed = fd < 0;
      return fd;
    }
    // Made by someone else between the two tries: open it as existing.
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                   DWORD disposition, DWORD, HANDLE) {
  fs::path path;
  if (!MapPath(name, path)) return INVALID_HANDLE_VALUE;
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
      (disposition == TRUNCATE_EXISTING && (access & GENERIC_WRITE) == 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (const FaultAction fault = CheckFileFault(FileOp::open, name);
      fault.kind == FaultAction::Kind::fail) {
    SetLastError(fault.error);
    return INVALID_HANDLE_VALUE;
  }
  const bool writes = (access & GENERIC_WRITE) != 0;
  const int mode = writes ? ((access & GENERIC_READ) != 0 ? O_RDWR : O_WRONLY) : O_RDONLY;
  bool existed = false;
  const int fd = OpenForDisposition(path, mode, disposition, existed);
  if (fd < 0) {
    SetLastError(ErrorFor(path, errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // a folder, FIFO, socket or device
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // A plain file: its reads and writes block as a file's do.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    SetLastError(FromErrno(errno));
    ::close(fd);
    return INVALID_HANDLE_VALUE;
  }
  if (::flock(fd, (share == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    ::close(fd);
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  // Truncate only once the file is ours, so a refused open never damages it.
  if ((disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) &&
      ::ftruncate(fd, 0) != 0) {
    SetLastError(FromErrno(errno));
    ::close(fd);
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE handle = cedev::NewKernelHandle(std::make_shared<FileObject>(fd, name));
  // As on Windows: the "always" dispositions say whether the file was there already.
  const bool tellsExisted = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
  SetLastError(tellsExisted && existed ? ERROR_ALREADY_EXISTS : NO_ERROR);
  return handle;
}

BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED) {
  if (got != nullptr) *got = 0;
  const auto file = LookupFile(h);
  if (file == nullptr) return FALSE;
  if (const FaultAction fault = CheckFileFault(FileOp::read, file->cePath());
      fault.kind == FaultAction::Kind::fail) {
    return Failed(fault.error);
  }
  std::lock_guard<std::mutex> guard(file->lock());
  DWORD done = 0;
  while (done < size) {
    const ssize_t n = ::read(file->fd(), static_cast<char*>(buffer) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed(IoError(errno));
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (got != nullptr) *got = done;
  return TRUE;
}

BOOL WriteFile(HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED) {
  if (written != nullptr) *written = 0;
  const auto file = LookupFile(h);
  if (file == nullptr) return FALSE;
  const FaultAction fault = CheckFileFault(FileOp::write, file->cePath(), {}, size);
  if (fault.kind == FaultAction::Kind::fail) return Failed(fault.error);
  const DWORD toStore = fault.kind == FaultAction::Kind::store ? fault.bytes : size;
  std::lock_guard<std::mutex> guard(file->lock());
  DWORD done = 0;
  while (done < toStore) {
    const ssize_t n = ::write(file->fd(), static_cast<const char*>(data) + done, toStore - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (written != nullptr) *written = done;
      return Failed(IoError(errno));
    }
    done += static_cast<DWORD>(n);
  }
  if (written != nullptr) *written = done;
  if (fault.kind == FaultAction::Kind::store && fault.error != NO_ERROR) return Failed(fault.error);
  return TRUE;
}

DWORD GetFileSize(HANDLE h, LPDWORD high) {
  const auto file = LookupFile(h);
  if (file == nullptr) return INVALID_FILE_SIZE;
  std::lock_guard<std::mutex> guard(file->lock());
  struct stat st {};
  if (::fstat(file->fd(), &st) != 0) {
    SetLastError(FromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (high != nullptr) *high = static_cast<DWORD>(size >> 32);
  // A size whose low part looks like the failure value is told apart by the last error.
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE h, LONG distance, PLONG distanceHigh, DWORD method) {
  const auto file = LookupFile(h);
  if (file == nullptr) return INVALID_SET_FILE_POINTER;
  int whence = SEEK_SET;
  switch (method) {
    case FILE_BEGIN:
      whence = SEEK_SET;
      break;
    case FILE_CURRENT:
      whence = SEEK_CUR;
      break;
    case FILE_END:
      whence = SEEK_END;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit value; with one, the two make 64 bits.
  const std::int64_t move =
      distanceHigh == nullptr
          ? static_cast<std::int64_t>(distance)
          : static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                static_cast<std::uint32_t>(distance));
  std::lock_guard<std::mutex> guard(file->lock());
  const off_t here = ::lseek(file->fd(), 0, SEEK_CUR);
  off_t base = 0;
  if (whence == SEEK_CUR) base = here;
  if (whence == SEEK_END) {
    struct stat st {};
    if (::fstat(file->fd(), &st) != 0) {
      SetLastError(FromErrno(errno));
      return INVALID_SET_FILE_POINTER;
    }
    base = st.st_size;
  }
  const std::int64_t target = static_cast<std::int64_t>(base) + move;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh == nullptr && target > 0xFFFFFFFELL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (::lseek(file->fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(FromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh != nullptr)
    *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(static_cast<std::uint64_t>(target) & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE h) {
  const auto file = LookupFile(h);
  if (file == nullptr) return FALSE;
  std::lock_guard<std::mutex> guard(file->lock());
  const off_t here = ::lseek(file->fd(), 0, SEEK_CUR);
  if (here < 0 || ::ftruncate(file->fd(), here) != 0) {
    return Failed(errno == EINVAL ? ERROR_ACCESS_DENIED : IoError(errno));
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE h) {
  const auto file = LookupFile(h);
  if (file == nullptr) return FALSE;
  if (const FaultAction fault = CheckFileFault(FileOp::flush, file->cePath());
      fault.kind == FaultAction::Kind::fail) {
    return Failed(fault.error);
  }
  std::lock_guard<std::mutex> guard(file->lock());
  if (::fsync(file->fd()) != 0) return Failed(FromErrno(errno));
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR name) {
  fs::path path;
  if (!MapPath(name, path)) return FALSE;
  if (const FaultAction fault = CheckFileFault(FileOp::remove, name);
      fault.kind == FaultAction::Kind::fail) {
    return Failed(fault.error);
  }
  if (IsThereButNotAFile(path)) return Failed(ERROR_ACCESS_DENIED);
  // A file held open without delete sharing cannot be deleted on Windows.
  const int fd = OpenPlainFileToLock(path);
  if (fd >= 0) {
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    if (busy) return Failed(ERROR_SHARING_VIOLATION);
  }
  if (::unlink(path.c_str()) != 0) return Failed(ErrorFor(path, errno));
  return TRUE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) {
  fs::path a, b;
  if (!MapPath(from, a) || !MapPath(to, b)) return FALSE;
  if (const FaultAction fault = CheckFileFault(FileOp::rename, from, to);
      fault.kind == FaultAction::Kind::fail) {
    return Failed(fault.error);
  }
  struct stat st {};
  if (::lstat(a.c_str(), &st) != 0) return Failed(ErrorFor(a, errno));
  if (::lstat(b.c_str(), &st) == 0) return Failed(ERROR_ALREADY_EXISTS);
  if (::rename(a.c_str(), b.c_str()) != 0) return Failed(ErrorFor(b, errno));
  return TRUE;
}

BOOL DeleteAndRenameFile(LPCWSTR oldName, LPCWSTR newName) {
  fs::path dest, source;
  if (!MapPath(oldName, dest) || !MapPath(newName, source)) return FALSE;
  if (const FaultAction fault = CheckFileFault(FileOp::rename, oldName, newName);
      fault.kind == FaultAction::Kind::fail) {
    return Failed(fault.error);
  }
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0) return Failed(ErrorFor(source, errno));
  // The file being replaced must exist, be a file, and not be held open elsewhere.
  if (IsThereButNotAFile(dest) || IsThereButNotAFile(source)) return Failed(ERROR_ACCESS_DENIED);
  const int fd = OpenPlainFileToLock(dest);
  if (fd < 0) return Failed(ErrorFor(dest, errno));
  const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  if (busy) return Failed(ERROR_SHARING_VIOLATION);
  if (::rename(source.c_str(), dest.c_str()) != 0) return Failed(ErrorFor(dest, errno));
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
  fs::path path;
  if (!MapPath(name, path)) return FALSE;
  if (::mkdir(path.c_str(), 0755) != 0) {
    return Failed(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFor(path, errno));
  }
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR name) {
  fs::path path;
  if (!MapPath(name, path)) return FALSE;
  if (::rmdir(path.c_str()) != 0)
    return Failed(errno == ENOTDIR ? ERROR_DIRECTORY : ErrorFor(path, errno));
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  fs::path path;
  if (!MapPath(name, path)) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    SetLastError(ErrorFor(path, errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) {
  fs::path path;
  if (!MapPath(name, path)) return FALSE;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Failed(ErrorFor(path, errno));
  // Only the read-only bit has a host meaning.
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? (mode & ~static_cast<mode_t>(0222))
                                                     : (mode | S_IWUSR);
  if (::chmod(path.c_str(), mode) != 0) return Failed(FromErrno(errno));
  return TRUE;
}
