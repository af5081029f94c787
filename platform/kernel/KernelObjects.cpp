#include "KernelObjects.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include <windows.h>

namespace cedev {

namespace {

// Values step by 4, as Windows' do, and start well away from 0 and INVALID_HANDLE_VALUE; a
// closed value is never handed out again, so a stale handle can only ever fail.
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kHandleStep = 4;

struct HandleTable {
  std::mutex lock;
  std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> live;  // guarded by lock
  std::uintptr_t next = kFirstHandle;                                      // guarded by lock
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE NewKernelHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  const std::uintptr_t value = table.next;
  table.next += kHandleStep;
  table.live.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupKernelHandle(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto it = table.live.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == table.live.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> TakeKernelHandle(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto it = table.live.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == table.live.end()) return nullptr;
  std::shared_ptr<KernelObject> object = std::move(it->second);
  table.live.erase(it);
  return object;
}

}  // namespace cedev

BOOL CloseHandle(HANDLE hObject) {
  const std::shared_ptr<cedev::KernelObject> object = cedev::TakeKernelHandle(hObject);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return object->Close();
}
