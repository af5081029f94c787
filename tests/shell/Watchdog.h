// Turns a hang into a failure: if the test has not finished within the bound, the process
// says which test hung and ends with a failure status.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds bound) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    name_ = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "?";
    thread_ = std::thread([this, bound] {
      std::unique_lock<std::mutex> lock(lock_);
      if (!done_.wait_for(lock, bound, [this] { return finished_; })) {
        std::fprintf(stderr, "watchdog: %s hung for more than %lld s\n", name_.c_str(),
                     static_cast<long long>(bound.count()));
        std::fflush(stderr);
        std::_Exit(2);
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(lock_);
      finished_ = true;
    }
    done_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::string name_;
  std::mutex lock_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};
