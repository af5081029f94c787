// Turns a hang into a failure: if the test has not finished within the bound, the process
// says which test hung and exits with a failure status.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace msgtest {

class Watchdog {
 public:
  explicit Watchdog(std::string what, std::chrono::seconds bound = std::chrono::seconds(20))
      : what_(std::move(what)), thread_([this, bound] {
          std::unique_lock lk(lock_);
          if (!done_cv_.wait_for(lk, bound, [this] { return done_; })) {
            std::fprintf(stderr, "watchdog: %s hung\n", what_.c_str());
            std::fflush(stderr);
            std::_Exit(98);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lk(lock_);
      done_ = true;
    }
    done_cv_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::string what_;
  std::mutex lock_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace msgtest
