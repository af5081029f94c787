// What a SendMessage to another thread's window costs against the least two threads can do
// for a round trip: a mutex and condition variable ping-pong. Each iteration does one of each,
// so both see the same machine state; "ratio" is send time over ping-pong time.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "BenchTable.h"

namespace {

using Clock = std::chrono::steady_clock;

LRESULT CALLBACK EchoProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) return static_cast<LRESULT>(w + 1);
  return DefWindowProcW(h, m, w, l);
}

// A thread that owns one window and pumps its messages until WM_QUIT.
class WindowThread {
 public:
  WindowThread() {
    thread_ = std::thread([this] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = EchoProc;
      wc.lpszClassName = L"BenchEcho";
      RegisterClassW(&wc);
      HWND h =
          CreateWindowExW(0, L"BenchEcho", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
      {
        std::lock_guard lk(lock_);
        hwnd_ = h;
        id_ = GetCurrentThreadId();
      }
      ready_.notify_all();
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
      DestroyWindow(h);
    });
    std::unique_lock lk(lock_);
    ready_.wait(lk, [this] { return hwnd_ != nullptr; });
  }
  ~WindowThread() {
    PostThreadMessageW(id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  std::mutex lock_;
  std::condition_variable ready_;
  HWND hwnd_ = nullptr;
  DWORD id_ = 0;
  std::thread thread_;
};

// Two threads handing a turn back and forth.
class PingPong {
 public:
  PingPong() {
    thread_ = std::thread([this] {
      std::unique_lock lk(lock_);
      for (;;) {
        cv_.wait(lk, [this] { return turn_ != 0; });
        if (turn_ < 0) return;
        turn_ = 0;
        cv_.notify_all();
      }
    });
  }
  ~PingPong() {
    {
      std::lock_guard lk(lock_);
      turn_ = -1;
    }
    cv_.notify_all();
    thread_.join();
  }
  void RoundTrip() {
    std::unique_lock lk(lock_);
    turn_ = 1;
    cv_.notify_all();
    cv_.wait(lk, [this] { return turn_ == 0; });
  }

 private:
  std::mutex lock_;
  std::condition_variable cv_;
  int turn_ = 0;
  std::thread thread_;
};

void BM_SendMessageBesidePingPong(benchmark::State& state) {
  WindowThread target;
  PingPong floor;
  Clock::duration sending{};
  Clock::duration pinging{};
  WPARAM n = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(SendMessageW(target.hwnd(), WM_USER, n++, 0));
    const auto t1 = Clock::now();
    floor.RoundTrip();
    const auto t2 = Clock::now();
    sending += t1 - t0;
    pinging += t2 - t1;
  }
  const double sendNs = std::chrono::duration<double, std::nano>(sending).count();
  const double pingNs = std::chrono::duration<double, std::nano>(pinging).count();
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["send_ns"] = sendNs / iterations;
  state.counters["pingpong_ns"] = pingNs / iterations;
  state.counters["ratio"] = pingNs > 0 ? sendNs / pingNs : 0;
  bench::Record({"cross-thread SendMessage (floor: mutex + condition variable ping-pong)",
                 "1 round trip", bench::Duration(sendNs * 1e-9 / iterations),
                 bench::Duration(pingNs * 1e-9 / iterations), bench::Ratio(sendNs, pingNs),
                 bench::Goal("< 3x", sendNs < 3 * pingNs)});
}
BENCHMARK(BM_SendMessageBesidePingPong)->UseRealTime();

void BM_SendMessageSameThread(benchmark::State& state) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = EchoProc;
  wc.lpszClassName = L"BenchEchoLocal";
  RegisterClassW(&wc);
  HWND h =
      CreateWindowExW(0, L"BenchEchoLocal", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  WPARAM n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageW(h, WM_USER, n++, 0));
  DestroyWindow(h);
}
BENCHMARK(BM_SendMessageSameThread);

}  // namespace

QUENMORA_BENCH_MAIN();
