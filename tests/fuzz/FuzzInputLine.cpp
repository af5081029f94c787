// Any bytes as one input-script line: the reader never crashes; a refused line says why and
// carries no command; a line read as a command is written back as a line that reads as the same
// command; and text that is not UTF-8 is refused rather than typed or looked for as U+FFFD.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "InputScript.h"
#include "WideText.h"

namespace {

using Kind = cedev::InputCommand::Kind;

void Check(bool condition, const char* what, std::string_view line) {
  if (!condition) {
    std::fprintf(stderr, "input line fuzz: %s (line of %zu bytes)\n", what, line.size());
    std::abort();
  }
}

std::string Quoted(const std::wstring& text) {
  std::wstring q = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') q += L'\\';
    q += c;
  }
  return cedev::Utf8FromWide(q + L"\"");
}

std::string KeyName(const cedev::KeyStroke& key) {
  static const char* const kNames[] = {"Tab", "Shift+Tab", "Enter", "Escape", "Space",
                                       "Up",  "Down",      "Left",  "Right",  "Backspace"};
  for (const char* name : kNames) {
    cedev::KeyStroke named;
    const std::string n(name);
    cedev::KeyFromName(std::wstring(n.begin(), n.end()), named);
    if (named.vk == key.vk && named.character == key.character && named.shift == key.shift)
      return n;
  }
  return cedev::Utf8FromWide(std::wstring(1, key.character));
}

// Milliseconds as the seconds of a wait, with the three decimals the reader takes.
std::string Seconds(long long ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
  return text;
}

std::string Written(const cedev::InputCommand& c) {
  switch (c.kind) {
    case Kind::Nothing:
      return "";
    case Kind::Tap:
      return "tap " + std::to_string(c.x) + " " + std::to_string(c.y);
    case Kind::TapText:
      return "tap " + Quoted(c.text);
    case Kind::Ok:
      return "ok";
    case Kind::Key:
      return "key " + KeyName(c.key);
    case Kind::Type:
      return "type " + Quoted(c.text);
    case Kind::Wait:
      return "wait " + Quoted(c.text) + " " + Seconds(c.duration.count());
    case Kind::Gone:
      return "gone " + Quoted(c.text) + " " + Seconds(c.duration.count());
    case Kind::Expect:
      return "expect " + Quoted(c.text);
    case Kind::Sleep:
      return "sleep " + std::to_string(c.duration.count());
    case Kind::Screen:
      return "screen";
    case Kind::Tree:
      return "tree";
    case Kind::Screenshot:
      return "screenshot " + Quoted(c.text);
  }
  return "";
}

bool Same(const cedev::InputCommand& a, const cedev::InputCommand& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.text == b.text && a.key.vk == b.key.vk &&
         a.key.character == b.key.character && a.key.shift == b.key.shift &&
         a.duration == b.duration;
}

bool IsCommentOrBlank(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  return first == std::string_view::npos || line[first] == '#';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const cedev::ParsedInputLine parsed = cedev::ParseInputLine(line);
  const cedev::InputCommand& c = parsed.command;
  if (!parsed.error.empty()) {
    Check(c.kind == Kind::Nothing, "a refused line carries a command", line);
    return 0;
  }
  if (c.kind == Kind::Nothing) {
    Check(IsCommentOrBlank(line), "a line that is neither blank nor a comment read as nothing",
          line);
    return 0;
  }
  const bool utf8 = cedev::Utf8FromWide(cedev::WideFromUtf8(line)) == line;
  Check(utf8, "a line that is not UTF-8 read as a command", line);
  Check(c.kind != Kind::Tap || (c.x >= 0 && c.x < 240 && c.y >= 0 && c.y < 320),
        "a tap off the screen", line);
  Check(c.duration.count() >= 0 && c.duration.count() <= 86400999, "a pause out of range", line);

  const std::string again = Written(c);
  const cedev::ParsedInputLine reread = cedev::ParseInputLine(again);
  Check(reread.error.empty(), "a command written back is refused", line);
  Check(Same(c, reread.command), "a command written back reads as another", line);
  return 0;
}
