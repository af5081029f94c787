// What the device's boot hands a program: its command line and module path, and the ids of the
// process and its threads.
#include <atomic>
#include <filesystem>
#include <list>
#include <mutex>
#include <system_error>

#include <unistd.h>

#include <windows.h>

#include "DeviceRoot.h"
#include "KernelControl.h"
#include "WideText.h"

namespace fs = std::filesystem;

namespace {

// Texts once handed out stay valid for the process's life: callers keep GetCommandLineW's
// pointer, as they may on Windows.
struct BootTexts {
  std::mutex lock;
  std::list<std::wstring> commandLines{std::wstring()};  // guarded by lock; the last is current
  std::wstring moduleFileName;                           // guarded by lock; empty: the default
};

BootTexts& Boot() {
  static BootTexts texts;
  return texts;
}

std::wstring DefaultModuleFileName() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return L"\\Windows\\unknown.exe";
  if (std::wstring ce = cedev::CePathOf(exe); !ce.empty() && ce != L"\\") return ce;
  std::wstring name = cedev::WideFromUtf8(exe.filename().string());
  if (exe.extension().empty()) name += L".exe";
  return L"\\Windows\\" + name;
}

// The one module of a process: its executable. Any non-null value stands for it.
const HMODULE kThisModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x10000));

std::atomic<DWORD> g_nextThreadId{0x100};
thread_local DWORD t_threadId = 0;

}  // namespace

namespace cedev {

void SetCommandLine(std::wstring text) {
  BootTexts& boot = Boot();
  std::lock_guard<std::mutex> guard(boot.lock);
  boot.commandLines.push_back(std::move(text));
}

void SetModuleFileName(std::wstring cePath) {
  BootTexts& boot = Boot();
  std::lock_guard<std::mutex> guard(boot.lock);
  boot.moduleFileName = std::move(cePath);
}

}  // namespace cedev

LPWSTR GetCommandLineW() {
  BootTexts& boot = Boot();
  std::lock_guard<std::mutex> guard(boot.lock);
  return boot.commandLines.back().data();
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName) {
  if (lpModuleName == nullptr) return kThisModule;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (hModule != nullptr && hModule != kThisModule) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::wstring name;
  {
    BootTexts& boot = Boot();
    std::lock_guard<std::mutex> guard(boot.lock);
    if (boot.moduleFileName.empty()) boot.moduleFileName = DefaultModuleFileName();
    name = boot.moduleFileName;
  }
  if (lpFilename == nullptr || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Too small a buffer gets the name cut to fit, terminated, and the full size as the count.
  if (name.size() >= nSize) {
    name.copy(lpFilename, nSize - 1);
    lpFilename[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  name.copy(lpFilename, name.size());
  lpFilename[name.size()] = 0;
  return static_cast<DWORD>(name.size());
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(4);
  return t_threadId;
}
