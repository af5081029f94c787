// Several `cedevice` processes changing the notification store at once: every registration
// lands once with a handle of its own, every clear removes exactly its notification, a reader
// in between never sees a damaged store, and nothing hangs.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <signal.h>

#include <thread>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Scratch.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kEach = 25;
constexpr auto kLimit = 240s;  // a whole loop of processes; a deadlock turns into a failure here

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Columns(const std::string& line) {
  std::vector<std::string> columns;
  std::size_t at = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', at);
    columns.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
    if (tab == std::string::npos) return columns;
    at = tab + 1;
  }
}

class TwoTools : public ::testing::Test {
 protected:
  // A shell loop of cedevice commands; its standard output and error go to files named NAME.out
  // and NAME.err.
  std::unique_ptr<testsupport::ChildProcess> Loop(const std::string& name,
                                                  const std::string& body) {
    const std::string script = "set -e\n" + body;
    return std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{"/bin/sh", "-c", script},
        std::map<std::string, std::string>{{"CEDEVICE_ROOT", scratch_.root.string()},
                                           {"CEDEVICE", CEDEVICE_EXE}},
        (scratch_.dir / (name + ".out")).string(), (scratch_.dir / (name + ".err")).string());
  }
  std::string Output(const std::string& name) const {
    return testsupport::ReadBytes(scratch_.dir / (name + ".out"));
  }
  std::string Errors(const std::string& name) const {
    return testsupport::ReadBytes(scratch_.dir / (name + ".err"));
  }

  static std::string Registrations(const std::string& tag, int count) {
    return "i=1; while [ $i -le " + std::to_string(count) +
           " ]; do \"$CEDEVICE\" notify time \"2026-12-10 09:00:00\" '\\Windows\\Foreign.exe' " +
           tag + "$i; i=$((i+1)); done\n";
  }

  // handle -> arguments of the store as `cedevice notifications` lists it.
  std::map<std::string, std::string> Listed() {
    auto child = Loop("list", "\"$CEDEVICE\" notifications\n");
    EXPECT_EQ(child->Wait(kLimit), 0) << Errors("list");
    std::map<std::string, std::string> byHandle;
    for (const std::string& line : Lines(Output("list"))) {
      const auto c = Columns(line);
      EXPECT_EQ(c.size(), 5u) << line;
      if (c.size() == 5) {
        EXPECT_TRUE(byHandle.emplace(c[0], c[4]).second) << "handle listed twice: " << line;
      }
    }
    return byHandle;
  }

  void SetUp() override {
    auto init = Loop("init", "\"$CEDEVICE\" clock freeze \"2026-12-07 10:00:00\"\n");
    ASSERT_EQ(init->Wait(kLimit), 0) << Errors("init");
  }

  testsupport::Scratch scratch_;
};

TEST_F(TwoTools, TwoRegisteringAtOnceLoseNothing) {
  auto a = Loop("a", Registrations("A", kEach));
  auto b = Loop("b", Registrations("B", kEach));
  ASSERT_EQ(a->Wait(kLimit), 0) << Errors("a");
  ASSERT_EQ(b->Wait(kLimit), 0) << Errors("b");
  EXPECT_EQ(Errors("a") + Errors("b"), "");

  const std::vector<std::string> printed[2] = {Lines(Output("a")), Lines(Output("b"))};
  const auto listed = Listed();
  ASSERT_EQ(listed.size(), 2u * kEach);
  std::set<std::string> arguments;
  for (const auto& [handle, args] : listed) arguments.insert(args);
  for (int i = 1; i <= kEach; ++i) {
    EXPECT_TRUE(arguments.count("A" + std::to_string(i))) << "A" << i;
    EXPECT_TRUE(arguments.count("B" + std::to_string(i))) << "B" << i;
  }
  // Each process was told the handle its notification has.
  for (int p = 0; p < 2; ++p) {
    ASSERT_EQ(printed[p].size(), static_cast<std::size_t>(kEach));
    for (int i = 0; i < kEach; ++i) {
      const auto it = listed.find(printed[p][static_cast<std::size_t>(i)]);
      ASSERT_NE(it, listed.end()) << "printed handle " << printed[p][static_cast<std::size_t>(i)];
      EXPECT_EQ(it->second, (p == 0 ? "A" : "B") + std::to_string(i + 1));
    }
  }
}

TEST_F(TwoTools, ClearingWhileAnotherRegistersAndAThirdReadsLosesNothing) {
  auto first = Loop("first", Registrations("O", 2 * kEach));
  ASSERT_EQ(first->Wait(kLimit), 0) << Errors("first");
  const std::vector<std::string> old = Lines(Output("first"));
  ASSERT_EQ(old.size(), 2u * kEach);

  std::string clears;
  for (int i = 0; i < kEach; ++i)
    clears += "\"$CEDEVICE\" clear " + old[static_cast<std::size_t>(2 * i)] + "\n";
  auto clearer = Loop("clear", clears);
  auto adder = Loop("add", Registrations("N", kEach));
  auto reader =
      Loop("read", "i=0; while [ $i -lt " + std::to_string(kEach) +
                       " ]; do \"$CEDEVICE\" notifications > /dev/null; i=$((i+1)); done\n");
  ASSERT_EQ(clearer->Wait(kLimit), 0) << Errors("clear");
  ASSERT_EQ(adder->Wait(kLimit), 0) << Errors("add");
  ASSERT_EQ(reader->Wait(kLimit), 0) << Errors("read");
  EXPECT_EQ(Errors("clear") + Errors("add") + Errors("read"), "")
      << "a damaged or unreadable store was seen";

  const auto listed = Listed();
  ASSERT_EQ(listed.size(), 2u * kEach);
  for (int i = 0; i < 2 * kEach; ++i) {
    const std::string& handle = old[static_cast<std::size_t>(i)];
    EXPECT_EQ(listed.count(handle), i % 2 == 0 ? 0u : 1u)
        << "old notification O" << i + 1 << " (" << handle << ")";
  }
  std::set<std::string> added;
  for (const auto& [handle, args] : listed) {
    if (args[0] == 'N') added.insert(args);
    EXPECT_EQ(std::count(old.begin(), old.end(), handle) + (args[0] == 'N' ? 1 : 0), 1)
        << "handle " << handle;
  }
  EXPECT_EQ(added.size(), static_cast<std::size_t>(kEach));
  // No handle given twice, the cleared ones included.
  std::set<std::string> handles(old.begin(), old.end());
  for (const std::string& h : Lines(Output("add")))
    EXPECT_TRUE(handles.insert(h).second) << "handle " << h << " reused";
}

TEST_F(TwoTools, ARegistrationKilledAtAnyPointLeavesTheStoreWhole) {
  std::mt19937 random(8122026);
  std::map<std::string, std::string> printedHandleOf;  // arguments -> handle the tool printed
  constexpr int kKills = 40;
  for (int i = 1; i <= kKills; ++i) {
    const std::string tag = "K" + std::to_string(i);
    testsupport::ChildProcess tool(
        {CEDEVICE_EXE, "notify", "time", "2026-12-10 09:00:00", "\\Windows\\Foreign.exe", tag},
        {{"CEDEVICE_ROOT", scratch_.root.string()}});
    ASSERT_TRUE(tool.Started());
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    tool.Kill(SIGKILL);
    ASSERT_TRUE(tool.Wait(kLimit).has_value());
    const std::string printed = tool.DrainOutput();
    if (!printed.empty() && printed.back() == '\n')
      printedHandleOf[tag] = printed.substr(0, printed.size() - 1);
  }
  const auto listed = Listed();
  EXPECT_EQ(Errors("list"), "") << "the store was found damaged";
  std::set<std::string> seen;
  for (const auto& [handle, args] : listed) {
    EXPECT_TRUE(seen.insert(args).second) << args << " registered twice";
    const auto it = printedHandleOf.find(args);
    if (it != printedHandleOf.end()) {
      EXPECT_EQ(it->second, handle) << args;
    }
  }
  for (const auto& [tag, handle] : printedHandleOf) {
    EXPECT_TRUE(seen.count(tag)) << tag << " was given handle " << handle
                                 << " but is not in the store";
  }
  EXPECT_GE(listed.size(), printedHandleOf.size());
}

}  // namespace
