// Turns a hang into a failure: if the test has not finished within the bound, the process says
// which test hung and for how long, and ends with a failure status. Every threaded test keeps one
// for its whole length. Header only: the conformance build for Windows compiles it too.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace msgtest {

class Watchdog {
 public:
  // Named after the test that is running.
  explicit Watchdog(std::chrono::seconds bound = std::chrono::seconds(20))
      : Watchdog(CurrentTest(), bound) {}
  explicit Watchdog(std::string what, std::chrono::seconds bound = std::chrono::seconds(20))
      : what_(std::move(what)), thread_([this, bound] {
          std::unique_lock lk(lock_);
          if (!done_cv_.wait_for(lk, bound, [this] { return done_; })) {
            std::fprintf(stderr, "watchdog: %s hung for more than %lld s\n", what_.c_str(),
                         static_cast<long long>(bound.count()));
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
  static std::string CurrentTest() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "a test";
  }

  std::string what_;
  std::mutex lock_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace msgtest
