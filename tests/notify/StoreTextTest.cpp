// The store's text: every record comes back as it was written, and a damaged text keeps the
// lines that read.
#include <gtest/gtest.h>

#include "StoreJournal.h"
#include "StoreText.h"

using cedev::notify::FormatStore;
using cedev::notify::NotificationRecord;
using cedev::notify::ParseStore;
using cedev::notify::StoreContent;
using cedev::notify::UserAction;

namespace {

NotificationRecord Record(DWORD handle, DWORD type, std::optional<std::wstring> app,
                          std::optional<std::wstring> args) {
  NotificationRecord r;
  r.handle = handle;
  r.type = type;
  r.application = std::move(app);
  r.arguments = std::move(args);
  r.start = SYSTEMTIME{2026, 12, 1, 7, 10, 0, 0, 0};
  return r;
}

TEST(StoreText, RoundTripsAwkwardRecords) {
  StoreContent content;
  content.nextHandle = 17;
  content.Put(Record(1, CNT_TIME, L"\\Windows\\Quenmora.exe", L"M1"));
  content.Put(Record(2, CNT_TIME, L"\\Windows\\a\tb.exe", L"quote \" back \\ line\nreturn\r"));
  NotificationRecord& event =
      content.Put(Record(3, CNT_EVENT, L"\\Windows\\\u00e9v\u00e9nement.exe", std::nullopt));
  event.event = NOTIFICATION_EVENT_WAKEUP;
  event.start = SYSTEMTIME{};  // an event's time is kept as registered
  content.Put(Record(4, CNT_TIME, L"\\Windows\\A.exe", L""));
  NotificationRecord classic = Record(9, CNT_CLASSICTIME, std::nullopt, std::nullopt);
  classic.user = UserAction{PUN_DIALOG | PUN_SOUND, L"Title", std::wstring(), std::nullopt, 3, 0};
  content.Put(classic);
  NotificationRecord period = Record(12, CNT_PERIOD, std::nullopt, L"x");
  period.end = SYSTEMTIME{2026, 12, 1, 7, 11, 30, 0, 0};
  period.user = UserAction{};
  content.Put(period);

  const std::string text = FormatStore(content);
  const auto parsed = ParseStore(text);
  EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front();
  EXPECT_EQ(parsed.content.nextHandle, 17u);
  ASSERT_EQ(parsed.content.records.size(), content.records.size()) << text;
  for (const NotificationRecord& record : content.records) {
    const NotificationRecord* read = parsed.content.records.Find(record.handle);
    EXPECT_TRUE(read != nullptr && *read == record) << "record " << record.handle << " of\n"
                                                    << text;
  }
}

TEST(StoreText, AWrappedStoreReadsWholeWithItsNextHandleAnywhere) {
  StoreContent content;
  content.nextHandle = 2;
  content.wrapped = true;
  content.Put(Record(1, CNT_TIME, L"\\Windows\\A.exe", L"M1"));
  content.Put(Record(4294967295u, CNT_TIME, L"\\Windows\\A.exe", L"M0"));
  const auto parsed = ParseStore(FormatStore(content));
  EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front();
  EXPECT_TRUE(parsed.content == content) << FormatStore(parsed.content);
  // The last number kept by a store that does not say so: damage, and the store has wrapped.
  content.wrapped = false;
  const auto unsaid = ParseStore(FormatStore(content));
  EXPECT_FALSE(unsaid.problems.empty());
  EXPECT_TRUE(unsaid.content.wrapped);
}

struct Damage {
  const char* name;
  const char* text;
  size_t kept;
  DWORD nextHandle;
};

const char* const kGood1 =
    "1\ttime\t0\t2026-12-08 09:00:00\traw 0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\A.exe\"\t\"M1\"\t-\n";
const char* const kGood5 =
    "5\ttime\t0\t2026-12-09 09:00:00\traw 0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\B.exe\"\t-\t-\n";

class DamagedText : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedText, KeepsTheReadableLinesAndSaysWhatIsWrong) {
  const auto parsed = ParseStore(GetParam().text);
  EXPECT_FALSE(parsed.problems.empty());
  EXPECT_EQ(parsed.content.records.size(), GetParam().kept);
  EXPECT_EQ(parsed.content.nextHandle, GetParam().nextHandle);
}

const std::string kBadMiddle = std::string("next-handle 6\n") + kGood1 +
                               "3\ttime\t0\t2026-13-01 09:00:00\t-\t-\t-\t-\n" + kGood5;
const std::string kTruncated =
    std::string("next-handle 6\n") + kGood1 + std::string(kGood5).substr(0, 20);
const std::string kNoNext = std::string(kGood1) + kGood5;
const std::string kLowNext = std::string("next-handle 2\n") + kGood1 + kGood5;
const std::string kTwice = std::string("next-handle 6\n") + kGood1 + kGood1;
const std::string kGarbage = "\x01\x02 not a store at all\n";
// Cut between two lines: every line left reads, only the header's count tells.
const std::string kCutBetweenLines = std::string("next-handle 6 records 2\n") + kGood1;
const std::string kNoCount = std::string("next-handle 6\n") + kGood1 + kGood5;

INSTANTIATE_TEST_SUITE_P(
    Texts, DamagedText,
    ::testing::Values(Damage{"BadDateInTheMiddle", kBadMiddle.c_str(), 2, 6},
                      Damage{"TruncatedLastLine", kTruncated.c_str(), 1, 6},
                      Damage{"NoNextHandleLine", kNoNext.c_str(), 2, 6},
                      Damage{"NextHandleBelowAKeptOne", kLowNext.c_str(), 2, 6},
                      Damage{"SameHandleTwice", kTwice.c_str(), 1, 6},
                      Damage{"Garbage", kGarbage.c_str(), 0, 1},
                      Damage{"CutBetweenLines", kCutBetweenLines.c_str(), 1, 6},
                      Damage{"NoRecordCount", kNoCount.c_str(), 2, 6}),
    [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

TEST(StoreText, EmptyTextIsAStoreCutShort) {
  // The device never writes an empty store (its header is always there).
  const auto parsed = ParseStore("");
  EXPECT_FALSE(parsed.problems.empty());
  EXPECT_TRUE(parsed.content.records.empty());
  EXPECT_EQ(parsed.content.nextHandle, 1u);
}

}  // namespace

// The journal's text: each whole line is a change; a last line without its newline is a change
// whose writer was ended while writing it, neither kept nor damage; a line that does not read is
// named. Read over a snapshot that already holds them, the changes give the same store.
struct JournalText {
  const char* name;
  std::string text;
  size_t entries, problems;
  size_t torn;  // bytes after the last whole line
};

class Journal : public ::testing::TestWithParam<JournalText> {};

const std::string kAdd5 = std::string("add 6\t") + kGood5;
const std::string kClear1 = "clear 1\n";

TEST_P(Journal, KeepsWholeLinesAndNamesDamage) {
  const auto parsed = cedev::notify::ParseJournal(GetParam().text);
  EXPECT_EQ(parsed.entries.size(), GetParam().entries);
  EXPECT_EQ(parsed.problems.size(), GetParam().problems);
  for (const std::string& p : parsed.problems) EXPECT_EQ(p.rfind("line ", 0), 0u) << p;
  EXPECT_EQ(GetParam().text.size() - parsed.wholeBytes, GetParam().torn);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Journal,
    ::testing::Values(JournalText{"Whole", kAdd5 + kClear1 + "# a note\n", 2, 0, 0},
                      JournalText{"TornInTheRecord", kClear1 + kAdd5.substr(0, 30), 1, 0, 30},
                      JournalText{"TornBeforeItsNewline", kClear1 + "clear 5", 1, 0, 7},
                      JournalText{"BadLineAmongGood", kClear1 + "clear x\n" + kAdd5, 2, 1, 0},
                      JournalText{"NotAChange", "remove 5\n" + kClear1, 1, 1, 0},
                      JournalText{"AddWithoutNextHandle", "add\t" + std::string(kGood5), 0, 1, 0},
                      JournalText{"AddOfADamagedRecord", "add 6\t5\ttime\tbroken\n", 0, 1, 0}),
    [](const ::testing::TestParamInfo<JournalText>& p) { return std::string(p.param.name); });

TEST(StoreText, AJournalReadOverASnapshotThatHoldsItGivesTheSameStore) {
  StoreContent content;
  content.nextHandle = 4;
  content.Put(Record(1, CNT_TIME, L"\\Windows\\A.exe", L"M1"));
  content.Put(Record(3, CNT_TIME, L"\\Windows\\B.exe", L"M0"));
  std::string journal;
  using cedev::notify::JournalEntry;
  const JournalEntry changes[] = {
      JournalEntry::Add(Record(4, CNT_TIME, L"\\Windows\\C.exe", L"x"), 5, false),
      JournalEntry::Clear(1), JournalEntry::Set(Record(3, CNT_TIME, L"\\Windows\\B.exe", L"M1")),
      JournalEntry::Clear(4),
      JournalEntry::Add(Record(5, CNT_TIME, L"\\Windows\\D.exe", L""), 6, false)};
  for (const JournalEntry& entry : changes) cedev::notify::AppendJournalLine(journal, entry);
  const auto replay = [&journal](StoreContent store) {
    for (JournalEntry& entry : cedev::notify::ParseJournal(journal).entries)
      cedev::notify::ApplyEntry(store, std::move(entry));
    return store;
  };
  const StoreContent once = replay(content);
  EXPECT_EQ(once.nextHandle, 6u);
  EXPECT_EQ(once.records.size(), 2u);
  EXPECT_EQ(once.records.Find(3)->arguments, L"M1");
  EXPECT_TRUE(replay(once) == once) << "read twice:\n" << FormatStore(replay(once));
}
