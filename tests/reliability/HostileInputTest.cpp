// Input-script lines whose text is not UTF-8: refused with the reason, never typed, tapped or
// waited for as U+FFFD. Text that is UTF-8 (U+FFFD itself included) goes through as it is.
#include <string>

#include <gtest/gtest.h>

#include "InputScript.h"

namespace {

using Kind = cedev::InputCommand::Kind;

struct Line {
  const char* text;
  const char* why;  // what the line is
};

class TextNotUtf8 : public ::testing::TestWithParam<Line> {};

TEST_P(TextNotUtf8, IsRefusedWithItsReason) {
  const cedev::ParsedInputLine parsed = cedev::ParseInputLine(GetParam().text);
  EXPECT_EQ(parsed.error, "the line is not UTF-8 text") << GetParam().why;
  EXPECT_EQ(parsed.command.kind, Kind::Nothing) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Lines, TextNotUtf8,
                         ::testing::Values(Line{"tap \"Add..tp 239ap 240 0.\x96\"",
                                                "the fuzzer's line: a stray continuation byte"},
                                           Line{"type \"caf\xe9\"", "Latin-1"},
                                           Line{"wait \"Vol\xc3\" 2", "a sequence cut short"},
                                           Line{"gone \"\xed\xa0\x80\"", "an encoded surrogate"},
                                           Line{"expect \"\xc0\xaf\"", "an overlong encoding"},
                                           Line{"key \xff", "a key"}));

TEST(TextInUtf8, GoesThroughAsItIs) {
  const cedev::ParsedInputLine accented = cedev::ParseInputLine("type \"caf\xc3\xa9\"");
  EXPECT_EQ(accented.error, "");
  EXPECT_EQ(accented.command.kind, Kind::Type);
  EXPECT_EQ(accented.command.text, L"caf\u00e9");
  const cedev::ParsedInputLine replacement = cedev::ParseInputLine("expect \"\xef\xbf\xbd\"");
  EXPECT_EQ(replacement.error, "");
  EXPECT_EQ(replacement.command.text, L"\ufffd");
  // A comment may hold any bytes.
  EXPECT_EQ(cedev::ParseInputLine("# caf\xe9").error, "");
}

}  // namespace
