// The store's text: every record comes back as it was written, and a damaged text keeps the
// lines that read.
#include <gtest/gtest.h>

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
