// The process's kernel object handles. Every HANDLE the kernel hands out (files, and whatever
// other parts of the platform register: threads, events) is an entry here: pointer-sized,
// never reused while the process lives, closed by CloseHandle. A handle that is not in the
// table (or is closed) makes every call fail with ERROR_INVALID_HANDLE.
#pragma once

#include <memory>

#include <windef.h>

namespace cedev {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Called once by CloseHandle after the handle has left the table; a FALSE return must have
  // set the last error. Users that still hold the object keep it alive.
  virtual BOOL Close() { return TRUE; }
};

HANDLE NewKernelHandle(std::shared_ptr<KernelObject> object);
// The object of a live handle, or null.
std::shared_ptr<KernelObject> LookupKernelHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupKernelHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupKernelHandle(handle));
}
// Takes the handle out of the table; null when it was not live.
std::shared_ptr<KernelObject> TakeKernelHandle(HANDLE handle);

}  // namespace cedev
