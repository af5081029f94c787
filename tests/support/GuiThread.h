// A thread that owns windows and runs a message loop, for tests that need a second GUI
// thread. `setup` runs on the thread first (make the windows there); then the thread pumps
// messages until WM_QUIT. Public API only.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace msgtest {

class GuiThread {
 public:
  // `beforeLoop` runs after setup has been reported done and before the loop (e.g. a Sleep).
  explicit GuiThread(std::function<void()> setup, std::function<void()> beforeLoop = {});
  ~GuiThread();  // posts WM_QUIT and joins
  GuiThread(const GuiThread&) = delete;
  GuiThread& operator=(const GuiThread&) = delete;

  DWORD id() const { return id_; }
  // Runs `work` on the thread (through a posted message) and waits for it.
  void Run(std::function<void()> work);

 private:
  std::mutex lock_;
  std::condition_variable cv_;
  bool ready_ = false;
  DWORD id_ = 0;
  std::thread thread_;
};

}  // namespace msgtest
