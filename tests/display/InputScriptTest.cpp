// Reading input-script lines: every command's shape and every reason a line is refused.
#include "InputScript.h"

#include <gtest/gtest.h>

namespace {

using cedev::InputCommand;
using cedev::ParseInputLine;
using Kind = InputCommand::Kind;

struct Good {
  const char* line;
  Kind kind;
  int x = 0;
  int y = 0;
  const wchar_t* text = L"";
  long long ms = 0;
};

class GoodLines : public ::testing::TestWithParam<Good> {};

TEST_P(GoodLines, ReadAsTheirCommand) {
  const Good& g = GetParam();
  auto parsed = ParseInputLine(g.line);
  ASSERT_EQ(parsed.error, "") << g.line;
  EXPECT_EQ(parsed.command.kind, g.kind) << g.line;
  EXPECT_EQ(parsed.command.x, g.x) << g.line;
  EXPECT_EQ(parsed.command.y, g.y) << g.line;
  EXPECT_EQ(parsed.command.text, g.text) << g.line;
  EXPECT_EQ(parsed.command.duration.count(), g.ms) << g.line;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, GoodLines,
    ::testing::Values(Good{"", Kind::Nothing}, Good{"   \t ", Kind::Nothing},
                      Good{"# tap 1 2", Kind::Nothing}, Good{"  # indented comment", Kind::Nothing},
                      Good{"tap 0 0", Kind::Tap, 0, 0}, Good{"tap 239 319", Kind::Tap, 239, 319},
                      Good{"  tap\t12   34  \r", Kind::Tap, 12, 34},
                      Good{"tap \"On\"", Kind::TapText, 0, 0, L"On"},
                      Good{"tap \"say \\\"hi\\\" \\\\ there\"", Kind::TapText, 0, 0,
                           L"say \"hi\" \\ there"},
                      Good{"tap \"\"", Kind::TapText, 0, 0, L""}, Good{"ok", Kind::Ok},
                      Good{"type \"10:30\"", Kind::Type, 0, 0, L"10:30"},
                      Good{"wait \"Volume\"", Kind::Wait, 0, 0, L"Volume", 5000},
                      Good{"wait \"Volume\" 2", Kind::Wait, 0, 0, L"Volume", 2000},
                      Good{"wait \"Volume\" 0.25", Kind::Wait, 0, 0, L"Volume", 250},
                      Good{"gone \"Volume\" 1.5", Kind::Gone, 0, 0, L"Volume", 1500},
                      Good{"gone \"x\"", Kind::Gone, 0, 0, L"x", 5000},
                      Good{"expect \"Mute\"", Kind::Expect, 0, 0, L"Mute"},
                      Good{"sleep 0", Kind::Sleep}, Good{"sleep 250", Kind::Sleep, 0, 0, L"", 250},
                      Good{"screen", Kind::Screen}, Good{"tree", Kind::Tree},
                      Good{"screenshot \"docs/main screen.png\"", Kind::Screenshot, 0, 0,
                           L"docs/main screen.png"},
                      Good{"tap \"Caf\xc3\xa9\"", Kind::TapText, 0, 0, L"Caf\u00e9"}));

struct KeyCase {
  const char* line;
  UINT vk;
  wchar_t character;
  bool shift;
};

class KeyLines : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyLines, NameTheirKey) {
  const KeyCase& k = GetParam();
  auto parsed = ParseInputLine(k.line);
  ASSERT_EQ(parsed.error, "") << k.line;
  ASSERT_EQ(parsed.command.kind, Kind::Key);
  EXPECT_EQ(parsed.command.key.vk, k.vk) << k.line;
  EXPECT_EQ(parsed.command.key.character, k.character) << k.line;
  EXPECT_EQ(parsed.command.key.shift, k.shift) << k.line;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyLines,
    ::testing::Values(
        KeyCase{"key Tab", VK_TAB, L'\t', false}, KeyCase{"key Shift+Tab", VK_TAB, L'\t', true},
        KeyCase{"key Enter", VK_RETURN, L'\r', false},
        KeyCase{"key Escape", VK_ESCAPE, 0x1B, false}, KeyCase{"key Space", VK_SPACE, L' ', false},
        KeyCase{"key Up", VK_UP, 0, false}, KeyCase{"key Down", VK_DOWN, 0, false},
        KeyCase{"key Left", VK_LEFT, 0, false}, KeyCase{"key Right", VK_RIGHT, 0, false},
        KeyCase{"key Backspace", VK_BACK, L'\b', false}, KeyCase{"key a", 'A', L'a', false},
        KeyCase{"key Z", 'Z', L'Z', false}, KeyCase{"key 7", '7', L'7', false},
        KeyCase{"key :", 0xE7, L':', false}, KeyCase{"key \"x\"", 'X', L'x', false}));

struct Bad {
  const char* line;
  const char* error;
};

class BadLines : public ::testing::TestWithParam<Bad> {};

TEST_P(BadLines, SayWhy) {
  const Bad& b = GetParam();
  auto parsed = ParseInputLine(b.line);
  EXPECT_EQ(parsed.error, b.error) << b.line;
  EXPECT_EQ(parsed.command.kind, Kind::Nothing) << "a refused line does nothing: " << b.line;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadLines,
    ::testing::Values(
        Bad{"jump 1 2", "unknown command \"jump\""}, Bad{"TAP 1 2", "unknown command \"TAP\""},
        Bad{"\"On\"", "a line starts with a command, not with text \"On\""},
        Bad{"tap \"On", "unterminated text (a closing \" is missing)"},
        Bad{"tap \"On\\", "unterminated text (a closing \" is missing)"},
        Bad{"tap \"a\\nb\"", "unknown escape \\n in text (use \\\" or \\\\)"},
        Bad{"tap", "tap needs X Y or \"TEXT\""}, Bad{"tap 1", "tap needs X Y or \"TEXT\""},
        Bad{"tap 1 2 3", "tap needs X Y or \"TEXT\""},
        Bad{"tap \"a\" \"b\"", "tap needs X Y or \"TEXT\""},
        Bad{"tap 1 \"b\"", "tap needs X Y or \"TEXT\""},
        Bad{"tap -1 5", "bad number \"-1\" (X is a pixel from 0 to 239)"},
        Bad{"tap 1x 5", "bad number \"1x\" (X is a pixel from 0 to 239)"},
        Bad{"tap 5 9999999999999", "bad number \"9999999999999\" (Y is a pixel from 0 to 319)"},
        Bad{"tap 240 5", "point 240,5 is off the 240x320 screen"},
        Bad{"tap 5 320", "point 5,320 is off the 240x320 screen"},
        Bad{"ok now", "ok takes nothing after it"},
        Bad{"screen 2", "screen takes nothing after it"},
        Bad{"screenshot", "screenshot needs \"FILE\""},
        Bad{"screenshot a.png", "screenshot needs \"FILE\""},
        Bad{"screenshot \"\"", "screenshot needs \"FILE\""},
        Bad{"tree \"x\"", "tree takes nothing after it"},
        Bad{"key",
            "key needs one key name (Tab, Shift+Tab, Enter, Escape, Space, Up, Down, Left, Right, "
            "Backspace or a character)"},
        Bad{"key Tab Tab",
            "key needs one key name (Tab, Shift+Tab, Enter, Escape, Space, Up, Down, Left, Right, "
            "Backspace or a character)"},
        Bad{"key tab", "unknown key \"tab\""}, Bad{"key F1", "unknown key \"F1\""},
        Bad{"key \"\"", "unknown key \"\""}, Bad{"type abc", "type needs \"TEXT\""},
        Bad{"type", "type needs \"TEXT\""}, Bad{"expect", "expect needs \"TEXT\""},
        Bad{"expect \"a\" 2", "expect needs \"TEXT\""},
        Bad{"wait", "wait needs \"TEXT\" [SECONDS]"},
        Bad{"wait Volume", "wait needs \"TEXT\" [SECONDS]"},
        Bad{"wait \"a\" 1 2", "wait needs \"TEXT\" [SECONDS]"},
        Bad{"gone 3", "gone needs \"TEXT\" [SECONDS]"},
        Bad{"wait \"a\" soon", "bad seconds \"soon\" (a number from 0 to 86400)"},
        Bad{"wait \"a\" 1.", "bad seconds \"1.\" (a number from 0 to 86400)"},
        Bad{"wait \"a\" 1.2.3", "bad seconds \"1.2.3\" (a number from 0 to 86400)"},
        Bad{"gone \"a\" -1", "bad seconds \"-1\" (a number from 0 to 86400)"},
        Bad{"wait \"a\" 86401", "bad seconds \"86401\" (a number from 0 to 86400)"},
        Bad{"sleep", "sleep needs MS"}, Bad{"sleep 1 2", "sleep needs MS"},
        Bad{"sleep 1.5", "bad milliseconds \"1.5\" (a whole number from 0 to 86400000)"},
        Bad{"sleep 86400001", "bad milliseconds \"86400001\" (a whole number from 0 to 86400000)"},
        Bad{"\xff\xfe", "unknown command \"\xef\xbf\xbd\xef\xbf\xbd\""}));

TEST(InputScript, AnyBytesGiveACommandOrAReason) {
  // A cheap sweep over short byte strings built from the script's own alphabet.
  const std::string alphabet = "tap \"\\#0912.keywaitgone\xc3\xff\t";
  std::string line;
  unsigned long long state = 12345;
  for (int i = 0; i < 20000; ++i) {
    line.clear();
    const int n = static_cast<int>(state % 24);
    for (int j = 0; j < n; ++j) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      line += alphabet[(state >> 33) % alphabet.size()];
    }
    auto parsed = ParseInputLine(line);
    if (!parsed.error.empty()) {
      EXPECT_EQ(parsed.command.kind, Kind::Nothing) << line;
    }
  }
}

}  // namespace
