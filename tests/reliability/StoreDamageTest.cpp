// A real notification store, cut short at every byte and damaged at every byte: the service's
// calls still work, every notification on a line the damage did not touch is kept exactly, and
// whenever one is lost the damage is reported, naming the store, with the damaged file set aside.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <notify.h>

#include "DeviceClock.h"
#include "NotificationStore.h"
#include "StoreJournal.h"
#include "Scratch.h"

namespace fs = std::filesystem;

namespace {

// What a caller sees of one notification through CeGetUserNotification.
struct Seen {
  DWORD type = 0;
  std::optional<std::wstring> application, arguments, title, text;
  SYSTEMTIME start{};
  bool hasUser = false;

  bool operator==(const Seen& o) const {
    return type == o.type && application == o.application && arguments == o.arguments &&
           title == o.title && text == o.text && hasUser == o.hasUser &&
           start.wYear == o.start.wYear && start.wMonth == o.start.wMonth &&
           start.wDay == o.start.wDay && start.wHour == o.start.wHour &&
           start.wMinute == o.start.wMinute && start.wSecond == o.start.wSecond;
  }
};

std::optional<std::wstring> Text(const WCHAR* s) {
  return s != nullptr ? std::optional<std::wstring>(s) : std::nullopt;
}

// Every notification by handle; nothing when a call of the service fails.
std::optional<std::map<DWORD, Seen>> SeeAll() {
  DWORD count = 0;
  if (!CeGetUserNotificationHandles(nullptr, 0, &count)) return std::nullopt;
  std::vector<HANDLE> handles(count);
  DWORD got = 0;
  if (count > 0 && !CeGetUserNotificationHandles(handles.data(), count, &got)) return std::nullopt;
  std::map<DWORD, Seen> all;
  for (HANDLE h : handles) {
    DWORD needed = 0;
    CeGetUserNotification(h, 0, &needed, nullptr);
    if (needed == 0) return std::nullopt;
    std::vector<std::max_align_t> buffer(needed / sizeof(std::max_align_t) + 1);
    if (!CeGetUserNotification(h, needed, &needed, reinterpret_cast<LPBYTE>(buffer.data())))
      return std::nullopt;
    const auto* header = reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
    Seen seen;
    seen.type = header->pcent->dwType;
    seen.application = Text(header->pcent->lpszApplication);
    seen.arguments = Text(header->pcent->lpszArguments);
    seen.start = header->pcent->stStartTime;
    if (header->pceun != nullptr) {
      seen.hasUser = true;
      seen.title = Text(header->pceun->pwszDialogTitle);
      seen.text = Text(header->pceun->pwszDialogText);
    }
    all[static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h))] = seen;
  }
  return all;
}

struct Line {
  std::size_t begin = 0, end = 0;  // end is past the newline
  std::optional<DWORD> handle;     // a record's line
};

std::vector<Line> LinesOf(const std::string& text) {
  std::vector<Line> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t nl = text.find('\n', at);
    Line line{at, nl == std::string::npos ? text.size() : nl + 1, std::nullopt};
    if (text[at] >= '1' && text[at] <= '9')
      line.handle = static_cast<DWORD>(std::strtoul(text.c_str() + at, nullptr, 10));
    lines.push_back(line);
    at = line.end;
  }
  return lines;
}

class StoreDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CEDEVICE_ROOT", scratch_.root.c_str(), 1);
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
    cedev::notify::SetDamageReporter([this](const std::string& m) { reports_.push_back(m); });
    Register(L"\\Windows\\Quenmora.exe", L"M1", 8, 9, 0, nullptr);
    const DWORD gone = Register(L"\\Windows\\Quenmora.exe", L"M0", 8, 18, 30, nullptr);
    Register(L"\\Windows\\Foreign.exe", L"say \"hi\"\tthere \\ now", 9, 7, 15, nullptr);
    Register(L"\\Windows\\Alarm.exe", L"", 10, 6, 0, L"Wake up");
    Register(L"\\Windows\\Quenmora.exe", nullptr, 11, 23, 59, nullptr);
    Register(L"\\Windows\\Quenmora.exe", L"M0", 12, 0, 0, nullptr);
    ASSERT_TRUE(CeClearUserNotification(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(gone))));
    const auto all = SeeAll();
    ASSERT_TRUE(all.has_value());
    original_ = *all;
    ASSERT_EQ(original_.size(), 5u);
    cedev::notify::CompactStore();  // the whole store in its snapshot, the journal gone
    text_ = testsupport::ReadBytes(cedev::notify::StorePath());
    lines_ = LinesOf(text_);
  }
  void TearDown() override {
    cedev::notify::SetDamageReporter(nullptr);
    unsetenv("CEDEVICE_ROOT");
    cedev::clock::Reload();
  }

  DWORD Register(const WCHAR* app, const WCHAR* args, WORD day, WORD hour, WORD minute,
                 const WCHAR* title) {
    CE_NOTIFICATION_TRIGGER trigger{};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_TIME;
    trigger.lpszApplication = const_cast<WCHAR*>(app);
    trigger.lpszArguments = const_cast<WCHAR*>(args);
    trigger.stStartTime = SYSTEMTIME{2026, 12, 0, day, hour, minute, 0, 0};
    CE_USER_NOTIFICATION user{};
    user.ActionFlags = PUN_DIALOG;
    user.pwszDialogTitle = const_cast<WCHAR*>(title);
    user.pwszDialogText = const_cast<WCHAR*>(L"Time \"now\"");
    const HANDLE h = CeSetUserNotificationEx(nullptr, &trigger, title != nullptr ? &user : nullptr);
    EXPECT_NE(h, nullptr) << GetLastError();
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h));
  }

  // Puts `bytes` in place of the store. The service knows its file by inode and times, so the old
  // file stays alive until the new one is written and no inode can be reused within a tick.
  void PutStore(const std::string& bytes) {
    const fs::path store = cedev::notify::StorePath();
    for (const auto& entry : fs::directory_iterator(store.parent_path())) {
      if (entry.path().filename().string().find(".damaged") != std::string::npos)
        fs::remove(entry.path());
    }
    const fs::path previous = store.string() + ".previous";
    fs::rename(store, previous);
    testsupport::WriteBytes(store, bytes);
    fs::remove(previous);
    reports_.clear();
  }

  // Checks what the service shows of `bytes`: the notifications of lines outside `touched` are all
  // there (and, when `strict`, every one kept is as registered); when `lossIsReported`, a loss is
  // reported, naming the store, with the damaged bytes set aside.
  void CheckKept(const std::string& bytes, const std::vector<bool>& touched, bool strict,
                 bool lossIsReported, const std::string& what) {
    PutStore(bytes);
    const auto seen = SeeAll();
    ASSERT_TRUE(seen.has_value()) << what << ": the service failed on the store";
    std::size_t keptOriginals = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (!lines_[i].handle) continue;
      const DWORD h = *lines_[i].handle;
      const auto it = seen->find(h);
      if (!touched[i]) {
        ASSERT_NE(it, seen->end()) << what << ": lost the untouched notification " << h;
        ASSERT_TRUE(it->second == original_.at(h))
            << what << ": the untouched notification " << h << " changed";
      }
      if (it != seen->end()) ++keptOriginals;
    }
    if (strict) {
      for (const auto& [h, s] : *seen) {
        ASSERT_TRUE(original_.count(h) && s == original_.at(h))
            << what << ": notification " << h << " is not as registered";
      }
    }
    if (lossIsReported && keptOriginals < original_.size()) {
      ASSERT_EQ(reports_.size(), 1u) << what << ": a notification was lost without a report";
      const fs::path store = cedev::notify::StorePath();
      EXPECT_NE(reports_[0].find(store.string()), std::string::npos) << reports_[0];
      EXPECT_EQ(testsupport::ReadBytes(store.string() + ".damaged"), bytes) << what;
    }
    // The store was put right: reading again finds nothing more to report.
    const auto again = SeeAll();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->size(), seen->size()) << what;
    EXPECT_LE(reports_.size(), 1u) << what;
  }

  // Changes after the snapshot, in its journal: two registrations, a removal, a replacement.
  // states_[k] is the store after the first k of them; journal_ the journal's bytes.
  void MakeJournal() {
    states_ = {original_};
    const auto note = [this] {
      const auto all = SeeAll();
      ASSERT_TRUE(all.has_value());
      states_.push_back(*all);
    };
    const DWORD added = Register(L"\\Windows\\Later.exe", L"x", 13, 8, 0, nullptr);
    note();
    Register(L"\\Windows\\Quenmora.exe", L"M1", 14, 7, 30, L"Title");
    note();
    ASSERT_TRUE(CeClearUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{1})));
    note();
    CE_NOTIFICATION_TRIGGER trigger{};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_TIME;
    trigger.lpszApplication = const_cast<WCHAR*>(L"\\Windows\\Later.exe");
    trigger.lpszArguments = const_cast<WCHAR*>(L"y");
    trigger.stStartTime = SYSTEMTIME{2026, 12, 0, 15, 8, 0, 0, 0};
    ASSERT_NE(CeSetUserNotificationEx(reinterpret_cast<HANDLE>(UINT_PTR{added}), &trigger, nullptr),
              nullptr);
    note();
    journal_ = testsupport::ReadBytes(cedev::notify::JournalPath());
    ASSERT_EQ(testsupport::ReadBytes(cedev::notify::StorePath()), text_) << "the changes went to the journal";
  }

  // Puts the snapshot back and `bytes` in place of the journal (kept alive meanwhile, as
  // PutStore does), with nothing set aside from before.
  void PutJournal(const std::string& bytes) {
    PutStore(text_);
    const fs::path journal = cedev::notify::JournalPath();
    const fs::path previous = journal.string() + ".previous";
    std::error_code ec;
    fs::rename(journal, previous, ec);
    testsupport::WriteBytes(journal, bytes);
    fs::remove(previous, ec);
  }

  testsupport::Scratch scratch_;
  std::vector<std::string> reports_;
  std::map<DWORD, Seen> original_;
  std::string text_;
  std::vector<Line> lines_;
  std::vector<std::map<DWORD, Seen>> states_;
  std::string journal_;
};

TEST_F(StoreDamage, CutShortAtEveryByteKeepsEveryWholeLine) {
  for (std::size_t n = 0; n < text_.size(); ++n) {
    std::vector<bool> touched(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) touched[i] = lines_[i].end > n;
    // Every cut that loses a notification is reported, a cut between two lines too: the store's
    // header counts its records.
    CheckKept(text_.substr(0, n), touched, true, true,
              "cut at " + std::to_string(n) + " (after \"" +
                  text_.substr(n < 20 ? 0 : n - 20, n < 20 ? n : 20) + "\")");
    if (HasFatalFailure()) return;
  }
  std::printf("[ damage ] the store cut at each of its %zu bytes\n", text_.size());
}

TEST_F(StoreDamage, ABadByteAnywhereLosesAtMostTheLinesItIsOn) {
  // Bytes the device never writes where they land; a value that stays readable (a digit for a
  // digit) cannot be told from a real one, so none is used.
  const char kBad[] = {'\x01', '\t', '\n', '"', '\\', '\xff'};
  std::size_t tried = 0;
  for (std::size_t at = 0; at < text_.size(); ++at) {
    for (char bad : kBad) {
      if (text_[at] == bad) continue;
      std::string bytes = text_;
      bytes[at] = bad;
      std::vector<bool> touched(lines_.size());
      for (std::size_t i = 0; i < lines_.size(); ++i) {
        // A newline made into something else joins its line to the next.
        touched[i] = (at >= lines_[i].begin && at < lines_[i].end) ||
                     (text_[at] == '\n' && i > 0 && at + 1 == lines_[i].begin);
      }
      CheckKept(bytes, touched, false, true,
                "byte " + std::to_string(at) + " made " + std::to_string(int(bad)));
      if (HasFatalFailure()) return;
      ++tried;
    }
  }
  std::printf("[ damage ] %zu stores with one bad byte\n", tried);
}

TEST_F(StoreDamage, ACutAtEachLineBoundaryIsReportedWithTheCountsItFound) {
  std::size_t records = 0;
  for (const Line& line : lines_) records += line.handle ? 1 : 0;
  ASSERT_EQ(records, original_.size());
  std::size_t cutsLosingRecords = 0;
  for (const Line& line : lines_) {
    if (!line.handle) continue;
    PutStore(text_.substr(0, line.begin));  // this record and all after it are gone
    const auto seen = SeeAll();
    ASSERT_TRUE(seen.has_value());
    ASSERT_EQ(reports_.size(), 1u) << "a cut before record " << *line.handle << " was not reported";
    EXPECT_NE(reports_[0].find("records, " + std::to_string(seen->size()) + " read"),
              std::string::npos)
        << reports_[0];
    ++cutsLosingRecords;
  }
  EXPECT_EQ(cutsLosingRecords, records);
  // An empty file is a store cut at its first byte.
  PutStore("");
  ASSERT_TRUE(SeeAll().has_value());
  ASSERT_EQ(reports_.size(), 1u) << "an emptied store was not reported";
  EXPECT_NE(reports_[0].find("empty"), std::string::npos) << reports_[0];
}

TEST_F(StoreDamage, AKilledWritersTemporaryFileIsNeverReadAndIsRemovedByTheNextChange) {
  // What a writer killed before its rename leaves: a whole-looking store of other notifications,
  // and one cut short.
  const fs::path store = cedev::notify::StorePath();
  const fs::path whole = store.string() + ".tmp.99999.0", cut = store.string() + ".tmp.99998.3";
  testsupport::WriteBytes(whole,
                          "next-handle 50 records 1\n49\ttime\t0\t2026-12-20 09:00:00\traw "
                          "0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\Evil.exe\"\t-\t-\n");
  testsupport::WriteBytes(cut, text_.substr(0, text_.size() / 2));
  PutStore(text_);
  const auto seen = SeeAll();
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(*seen, original_) << "a temporary file was read as the store";
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  const DWORD h = Register(L"\\Windows\\New.exe", L"", 20, 9, 0, nullptr);
  EXPECT_LT(h, 49u) << "the handle count came from a temporary file";
  EXPECT_FALSE(fs::exists(whole));
  EXPECT_FALSE(fs::exists(cut));
  const auto after = SeeAll();
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->size(), original_.size() + 1);
}

TEST_F(StoreDamage, AfterDamageANewRegistrationTakesAHandleNoKeptOneHas) {
  // The next-handle line and the last record damaged: the next handle must still be above every
  // handle kept.
  std::string bytes = text_;
  bytes[0] = 'x';
  PutStore(bytes);
  const DWORD h = Register(L"\\Windows\\New.exe", L"", 20, 9, 0, nullptr);
  const auto seen = SeeAll();
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->size(), original_.size() + 1);
  for (const auto& [handle, s] : original_) {
    EXPECT_NE(handle, h);
    EXPECT_TRUE(seen->count(handle)) << handle;
  }
  EXPECT_FALSE(reports_.empty());
}

// The journal cut at every byte, as a writer ended while appending leaves it: every whole line's
// change is there, the torn rest is no change and no damage, and the next change cuts it off.
TEST_F(StoreDamage, TheJournalCutAtEveryByteKeepsEveryWholeChangeAndSaysNothing) {
  MakeJournal();
  if (HasFatalFailure()) return;
  for (std::size_t n = 0; n <= journal_.size(); ++n) {
    const std::string cut = journal_.substr(0, n);
    PutJournal(cut);
    const std::size_t whole = cedev::notify::ParseJournal(cut).entries.size();
    const auto seen = SeeAll();
    ASSERT_TRUE(seen.has_value()) << "cut at " << n;
    ASSERT_TRUE(*seen == states_[whole]) << "cut at " << n << ": not the store after " << whole;
    ASSERT_TRUE(reports_.empty()) << "cut at " << n << ": " << reports_.front();
    ASSERT_FALSE(fs::exists(cedev::notify::JournalPath().string() + ".damaged")) << n;
  }
  const DWORD h = Register(L"\\Windows\\New.exe", L"", 20, 9, 0, nullptr);
  const std::string after = testsupport::ReadBytes(cedev::notify::JournalPath());
  EXPECT_EQ(cedev::notify::ParseJournal(after).wholeBytes, after.size()) << "a torn rest kept";
  EXPECT_EQ(SeeAll()->count(h), 1u);
  std::printf("[ damage ] the journal cut at each of its %zu bytes\n", journal_.size());
}

// One bad byte anywhere in the journal: the notifications that no damaged line names come out as
// with the whole journal; a change lost is reported, naming the journal, which is set aside; a
// newline made into another byte at the very end makes the last line a torn one, said nothing of.
TEST_F(StoreDamage, ABadByteInTheJournalLosesAtMostTheChangesOfItsLines) {
  MakeJournal();
  if (HasFatalFailure()) return;
  std::vector<std::pair<std::size_t, std::size_t>> lines;  // begin, end past the newline
  for (std::size_t at = 0; at < journal_.size();) {
    const std::size_t end = journal_.find('\n', at) + 1;
    lines.emplace_back(at, end);
    at = end;
  }
  const auto handleOf = [this](std::pair<std::size_t, std::size_t> line) -> DWORD {
    const auto parsed =
        cedev::notify::ParseJournal(journal_.substr(line.first, line.second - line.first));
    return parsed.entries.empty() ? 0 : parsed.entries.front().handle;
  };
  std::size_t tried = 0;
  for (std::size_t at = 0; at < journal_.size(); ++at) {
    for (const char bad : {'\x01', '\t', '\xff'}) {
      if (journal_[at] == bad) continue;
      std::string bytes = journal_;
      bytes[at] = bad;
      std::set<DWORD> named;  // the notifications of the lines the byte is on
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool on = at >= lines[i].first && at < lines[i].second;
        if (on || (i > 0 && at + 1 == lines[i].first)) named.insert(handleOf(lines[i]));
      }
      const std::string what = "byte " + std::to_string(at) + " made " + std::to_string(int(bad));
      PutJournal(bytes);
      const auto seen = SeeAll();
      ASSERT_TRUE(seen.has_value()) << what;
      for (const auto& [h, s] : states_.back()) {
        if (named.count(h) == 0) {
          ASSERT_TRUE(seen->count(h) && seen->at(h) == s) << what << ": " << h;
        }
      }
      for (const auto& [h, s] : *seen) {
        ASSERT_TRUE(named.count(h) > 0 || states_.back().count(h) > 0) << what << ": " << h;
      }
      const auto parsed = cedev::notify::ParseJournal(bytes);
      if (!parsed.problems.empty()) {
        ASSERT_EQ(reports_.size(), 1u) << what << ": a lost change was not reported";
        EXPECT_NE(reports_[0].find(cedev::notify::JournalPath().string()), std::string::npos);
        EXPECT_EQ(testsupport::ReadBytes(cedev::notify::JournalPath().string() + ".damaged"), bytes) << what;
      } else if (at + 1 == journal_.size()) {
        EXPECT_TRUE(reports_.empty()) << what << ": a torn last line reported";
      }
      ++tried;
    }
  }
  std::printf("[ damage ] %zu journals with one bad byte\n", tried);
}

}  // namespace
