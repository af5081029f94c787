#include "GuiThread.h"

#include <memory>

namespace msgtest {

namespace {
constexpr UINT kRunWork = WM_APP + 0x3F00;
}

GuiThread::GuiThread(std::function<void()> setup, std::function<void()> beforeLoop)
    : thread_([this, setup = std::move(setup), beforeLoop = std::move(beforeLoop)] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the thread's queue
        if (setup) setup();
        {
          std::lock_guard lk(lock_);
          id_ = GetCurrentThreadId();
          ready_ = true;
        }
        cv_.notify_all();
        if (beforeLoop) beforeLoop();
        while (GetMessageW(&msg, nullptr, 0, 0)) {
          if (msg.hwnd == nullptr && msg.message == kRunWork) {
            auto* work = reinterpret_cast<std::function<void()>*>(msg.lParam);
            (*work)();
            continue;
          }
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
      }) {
  std::unique_lock lk(lock_);
  cv_.wait(lk, [this] { return ready_; });
}

GuiThread::~GuiThread() {
  PostThreadMessageW(id_, WM_QUIT, 0, 0);
  thread_.join();
}

void GuiThread::Run(std::function<void()> work) {
  std::mutex m;
  std::condition_variable done;
  bool finished = false;
  std::function<void()> wrapped = [&] {
    work();
    std::lock_guard lk(m);
    finished = true;
    done.notify_all();
  };
  PostThreadMessageW(id_, kRunWork, 0, reinterpret_cast<LPARAM>(&wrapped));
  std::unique_lock lk(m);
  done.wait(lk, [&] { return finished; });
}

}  // namespace msgtest
