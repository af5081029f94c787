#include "DeviceFiles.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "WideText.h"

namespace cewin {

namespace {

// An open handle, closed with its owner.
struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  Handle(Handle&& other) noexcept : h(std::exchange(other.h, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&&) = delete;
  bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

std::wstring Env(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::string Why(const char* doing, DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text != nullptr ? text : L"";
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
    message.pop_back();
  return std::string(doing) + ": " +
         (message.empty() ? "error " + std::to_string(code) : Narrow(message));
}

[[noreturn]] void Fail(const std::wstring& path, const char* doing, DWORD code = GetLastError()) {
  throw StateError(path, Why(doing, code), code);
}

bool MakeFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Opens a state file that must be a plain file: anything else (a FIFO or a device where a file
// should be) is refused before it is read or written.
Handle OpenPlain(const std::wstring& path, DWORD access, DWORD disposition, const char* doing) {
  Handle file(CreateFileW(path.c_str(), access,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND && disposition == OPEN_EXISTING) return file;
    Fail(path, doing, code);
  }
  if (GetFileType(file.h) != FILE_TYPE_DISK)
    throw StateError(path, "not a plain file", ERROR_ACCESS_DENIED);
  return file;
}

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    if (!WriteFile(file, data.data(), chunk, &wrote, nullptr) || wrote == 0) return false;
    data.remove_prefix(wrote);
  }
  return true;
}

std::uint64_t SizeOf(HANDLE file, const std::wstring& path, const char* doing) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) Fail(path, doing);
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool CutTo(HANDLE file, std::uint64_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
         FlushFileBuffers(file);
}

// The process's side of the device lock: the mutex serialises threads, the byte lock processes.
std::recursive_mutex g_lockMutex;
HANDLE g_lockFile = INVALID_HANDLE_VALUE;  // guarded by g_lockMutex
std::wstring g_lockPath;                   // guarded by g_lockMutex
thread_local int t_lockDepth = 0;

unsigned long long LockBoundMs() {
  const std::wstring text = Env(L"CEDEVICE_LOCK_TIMEOUT_MS");
  if (!text.empty()) {
    wchar_t* end = nullptr;
    const long long ms = std::wcstoll(text.c_str(), &end, 10);
    if (*end == 0 && ms > 0) return static_cast<unsigned long long>(ms);
  }
  return 30000;
}

void TakeLock(HANDLE file, const std::wstring& path) {
  const ULONGLONG start = GetTickCount64();
  const unsigned long long bound = LockBoundMs();
  DWORD pause = 1;
  bool said = false;
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return;
    const DWORD code = GetLastError();
    if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING)
      Fail(path, "cannot take the device lock", code);
    const ULONGLONG waited = GetTickCount64() - start;
    if (!said && waited >= 1000) {
      std::fprintf(stderr, "device: waiting for the device lock %s, which another process holds\n",
                   Narrow(path).c_str());
      std::fflush(stderr);
      said = true;
    }
    if (waited >= bound) {
      throw StateError(path,
                       "gave up waiting for the device lock after " + std::to_string(bound) +
                           " ms: another process holds it",
                       ERROR_LOCK_VIOLATION);
    }
    Sleep(pause);
    pause = std::min<DWORD>(pause * 2, 20);
  }
}

}  // namespace

StateError::StateError(const std::wstring& path, const std::string& why, unsigned long code)
    : std::runtime_error(Narrow(path) + ": " + why), code_(code) {}

std::string Narrow(std::wstring_view text) { return cedev::Utf8FromWide(text); }

std::wstring WindowsPathOfHost(std::wstring path) {
  const bool absolute = !path.empty() && path.front() == L'/';
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return absolute ? L"Z:" + path : path;
}

std::wstring DeviceRootPath() {
  std::wstring root = Env(L"CEDEVICE_ROOT");
  if (root.empty()) {
    std::wstring data = Env(L"XDG_DATA_HOME");
    if (data.empty()) data = Env(L"HOME") + L"/.local/share";
    root = data + L"/cedevice";
  }
  root = WindowsPathOfHost(root);
  while (root.size() > 3 && root.back() == L'\\') root.pop_back();
  if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // Its parents first, as the device makes a missing root with every folder on the way.
    for (std::size_t at = root.find(L'\\', 3); at != std::wstring::npos;
         at = root.find(L'\\', at + 1))
      MakeFolder(root.substr(0, at));
    if (!MakeFolder(root) || !MakeFolder(root + L"\\My Documents") ||
        !MakeFolder(root + L"\\Windows")) {
      Fail(root, "cannot make the device root");
    }
  }
  return root;
}

std::wstring StatePath(std::string_view name) {
  const std::wstring folder = DeviceRootPath() + L"\\.device";
  if (!MakeFolder(folder)) Fail(folder, "cannot make the folder");
  return folder + L"\\" + cedev::WideFromUtf8(name);
}

std::optional<std::string> ReadState(std::string_view name) {
  const std::wstring path = StatePath(name);
  Handle file = OpenPlain(path, GENERIC_READ, OPEN_EXISTING, "cannot open");
  if (!file.ok()) return std::nullopt;
  std::string content;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.h, buffer, sizeof buffer, &got, nullptr)) Fail(path, "cannot read");
    if (got == 0) break;
    content.append(buffer, got);
  }
  return content;
}

void WriteStateAtomic(std::string_view name, std::string_view content) {
  const std::wstring path = StatePath(name);
  // Moving over a folder, a FIFO or a device would hide it without a word.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    throw StateError(path, "a folder, not a plain file", ERROR_ACCESS_DENIED);
  // (Wine gives a FIFO no attributes: whatever is there is opened and looked at.)
  OpenPlain(path, GENERIC_READ, OPEN_EXISTING, "cannot write");
  // Named as the device names its own, so that the device removes a killed writer's leftover.
  static std::atomic<unsigned> serial{0};
  const std::wstring temp = path + L".tmp." + std::to_wstring(GetCurrentProcessId()) + L"w." +
                            std::to_wstring(serial.fetch_add(1));
  {
    Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) Fail(path, "cannot write");
    if (!WriteAll(file.h, content) || !FlushFileBuffers(file.h)) {
      const DWORD code = GetLastError();
      CloseHandle(std::exchange(file.h, INVALID_HANDLE_VALUE));
      DeleteFileW(temp.c_str());
      Fail(path, "cannot write", code);
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    DeleteFileW(temp.c_str());
    Fail(path, "cannot replace", code);
  }
}

std::uint64_t AppendState(std::string_view name, std::string_view text) {
  const std::wstring path = StatePath(name);
  Handle file = OpenPlain(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, "cannot append");
  const std::uint64_t before = SizeOf(file.h, path, "cannot append");
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(before);
  if (!SetFilePointerEx(file.h, end, nullptr, FILE_BEGIN) || !WriteAll(file.h, text) ||
      !FlushFileBuffers(file.h)) {
    const DWORD code = GetLastError();
    CutTo(file.h, before);  // a line written in part would read as another line
    Fail(path, "cannot append", code);
  }
  return before;
}

bool CutState(std::string_view name, std::uint64_t size) {
  try {
    Handle file = OpenPlain(StatePath(name), GENERIC_WRITE, OPEN_EXISTING, "cannot open");
    return file.ok() && CutTo(file.h, size);
  } catch (const StateError&) {
    return false;
  }
}

void RemoveState(std::string_view name) {
  const std::wstring path = StatePath(name);
  if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
    Fail(path, "cannot remove");
}

std::wstring KeepAside(std::string_view name) {
  const std::wstring path = StatePath(name);
  std::wstring aside = path + L".damaged";
  for (int n = 2; GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
    aside = path + L".damaged-" + std::to_wstring(n);
  if (!CopyFileW(path.c_str(), aside.c_str(), TRUE))
    Fail(path, ("cannot keep it aside as " + Narrow(aside)).c_str());
  return aside;
}

DeviceLock::DeviceLock() {
  g_lockMutex.lock();
  if (t_lockDepth++ > 0) return;
  outermost_ = true;
  try {
    const std::wstring path = StatePath("lock");
    if (g_lockFile == INVALID_HANDLE_VALUE || path != g_lockPath) {
      if (g_lockFile != INVALID_HANDLE_VALUE) CloseHandle(g_lockFile);
      g_lockFile = INVALID_HANDLE_VALUE;
      Handle file =
          OpenPlain(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, "cannot open the device lock");
      g_lockFile = std::exchange(file.h, INVALID_HANDLE_VALUE);
      g_lockPath = path;
    }
    TakeLock(g_lockFile, g_lockPath);
  } catch (...) {
    --t_lockDepth;
    g_lockMutex.unlock();
    throw;
  }
}

DeviceLock::~DeviceLock() {
  if (--t_lockDepth == 0 && outermost_) {
    OVERLAPPED at{};
    UnlockFileEx(g_lockFile, 0, 1, 0, &at);
  }
  g_lockMutex.unlock();
}

}  // namespace cewin
