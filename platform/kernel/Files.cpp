// Win32 files over the host's files under the device root. A share mode of 0 takes an
// exclusive flock on the open file, so a second open, from this process or another, fails with
// ERROR_SHARING_VIOLATION while the first is open.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "DeviceRoot.h"

namespace fs = std::filesystem;

namespace {

thread_local DWORD t_lastError = 0;

DWORD FromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EROFS: case EISDIR: return ERROR_ACCESS_DENIED;
    case EMFILE: case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC: case EDQUOT: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EIO: return ERROR_IO_DEVICE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    default: return ERROR_GEN_FAILURE;
  }
}

// A CE path under the device root; false (ERROR_PATH_NOT_FOUND) when it would leave the root.
bool MapPath(LPCWSTR cePath, fs::path& out) {
  if (cePath == nullptr) return false;
  fs::path rel;
  std::string part;
  auto flush = [&]() -> bool {
    if (part == "..") {
      if (rel.empty()) return false;
      rel = rel.parent_path();
    } else if (!part.empty() && part != ".") {
      rel /= part;
    }
    part.clear();
    return true;
  };
  for (LPCWSTR p = cePath; *p != 0; ++p) {
    if (*p == L'\\' || *p == L'/') {
      if (!flush()) return false;
    } else {
      part += static_cast<char>(*p < 0x80 ? *p : L'?');
    }
  }
  if (!flush()) return false;
  out = cedev::DeviceRootPath() / rel;
  return true;
}

DWORD ErrorFor(const fs::path& path, int e) {
  // Windows reports a missing folder on the way as a bad path, not a missing file.
  if (e == ENOENT && !fs::exists(path.parent_path())) return ERROR_PATH_NOT_FOUND;
  return FromErrno(e);
}

struct OpenFile {
  int fd;
};

std::mutex g_handlesLock;
std::map<std::uintptr_t, std::unique_ptr<OpenFile>> g_handles;
std::uintptr_t g_nextHandle = 0x1000;  // never reused while the process lives

OpenFile* Lookup(HANDLE h) {
  std::lock_guard<std::mutex> lock(g_handlesLock);
  auto it = g_handles.find(reinterpret_cast<std::uintptr_t>(h));
  return it == g_handles.end() ? nullptr : it->second.get();
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
  fs::path path;
  if (!MapPath(name, path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int flags = (access & GENERIC_WRITE) != 0 ? ((access & GENERIC_READ) != 0 ? O_RDWR : O_WRONLY)
                                            : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(ErrorFor(path, errno));
    return INVALID_HANDLE_VALUE;
  }
  if (flock(fd, (share == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    close(fd);
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  // Truncate only once the file is ours, so a refused open never damages it.
  if ((disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ftruncate(fd, 0) != 0) {
    SetLastError(FromErrno(errno));
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard<std::mutex> lock(g_handlesLock);
  const std::uintptr_t h = g_nextHandle++;
  g_handles[h] = std::make_unique<OpenFile>(OpenFile{fd});
  SetLastError(NO_ERROR);
  return reinterpret_cast<HANDLE>(h);
}

BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED) {
  OpenFile* f = Lookup(h);
  if (got != nullptr) *got = 0;
  if (f == nullptr) { SetLastError(ERROR_INVALID_HANDLE); return FALSE; }
  ssize_t n;
  do { n = read(f->fd, buffer, size); } while (n < 0 && errno == EINTR);
  if (n < 0) { SetLastError(FromErrno(errno)); return FALSE; }
  if (got != nullptr) *got = static_cast<DWORD>(n);
  return TRUE;
}

BOOL WriteFile(HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED) {
  OpenFile* f = Lookup(h);
  if (written != nullptr) *written = 0;
  if (f == nullptr) { SetLastError(ERROR_INVALID_HANDLE); return FALSE; }
  DWORD done = 0;
  while (done < size) {
    const ssize_t n = write(f->fd, static_cast<const char*>(data) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) { SetLastError(FromErrno(errno)); return FALSE; }
    done += static_cast<DWORD>(n);
  }
  if (written != nullptr) *written = done;
  return TRUE;
}

DWORD GetFileSize(HANDLE h, LPDWORD high) {
  OpenFile* f = Lookup(h);
  struct stat st {};
  if (f == nullptr || fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (high != nullptr) *high = static_cast<DWORD>(static_cast<std::uint64_t>(st.st_size) >> 32);
  return static_cast<DWORD>(st.st_size);
}

BOOL FlushFileBuffers(HANDLE h) {
  OpenFile* f = Lookup(h);
  if (f == nullptr) { SetLastError(ERROR_INVALID_HANDLE); return FALSE; }
  if (fsync(f->fd) != 0) { SetLastError(FromErrno(errno)); return FALSE; }
  return TRUE;
}

BOOL CloseHandle(HANDLE h) {
  std::unique_ptr<OpenFile> f;
  {
    std::lock_guard<std::mutex> lock(g_handlesLock);
    auto it = g_handles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == g_handles.end()) { SetLastError(ERROR_INVALID_HANDLE); return FALSE; }
    f = std::move(it->second);
    g_handles.erase(it);
  }
  return close(f->fd) == 0 ? TRUE : FALSE;
}

BOOL DeleteFileW(LPCWSTR name) {
  fs::path path;
  if (!MapPath(name, path)) { SetLastError(ERROR_PATH_NOT_FOUND); return FALSE; }
  if (unlink(path.c_str()) != 0) { SetLastError(ErrorFor(path, errno)); return FALSE; }
  return TRUE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) {
  fs::path a, b;
  if (!MapPath(from, a) || !MapPath(to, b)) { SetLastError(ERROR_PATH_NOT_FOUND); return FALSE; }
  if (fs::exists(b)) { SetLastError(ERROR_ALREADY_EXISTS); return FALSE; }
  if (rename(a.c_str(), b.c_str()) != 0) { SetLastError(ErrorFor(b, errno)); return FALSE; }
  return TRUE;
}

BOOL DeleteAndRenameFile(LPCWSTR oldName, LPCWSTR newName) {
  fs::path dest, source;
  if (!MapPath(oldName, dest) || !MapPath(newName, source)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  // The file being replaced must not be held open exclusively elsewhere.
  const int fd = open(dest.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    const bool busy = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    if (busy) { SetLastError(ERROR_SHARING_VIOLATION); return FALSE; }
  }
  if (rename(source.c_str(), dest.c_str()) != 0) { SetLastError(ErrorFor(dest, errno)); return FALSE; }
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  fs::path path;
  struct stat st {};
  if (!MapPath(name, path)) { SetLastError(ERROR_PATH_NOT_FOUND); return INVALID_FILE_ATTRIBUTES; }
  if (stat(path.c_str(), &st) != 0) { SetLastError(ErrorFor(path, errno)); return INVALID_FILE_ATTRIBUTES; }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

// Debug output is kept only when asked for; nothing in the program depends on it.
BOOL DebugOutputEnabled() { return FALSE; }
void OutputDebugStringW(LPCWSTR) {}
