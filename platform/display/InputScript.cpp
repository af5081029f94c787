// Reading input-script lines. TEXT is in double quotes with \" and \\; numbers are plain
// decimal digits; seconds may have a fraction.
#include "InputScript.h"

#include <cwctype>
#include <optional>
#include <vector>

#include "WideText.h"

namespace cedev {

namespace {

struct Token {
  bool quoted = false;
  std::wstring value;
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }

std::string Quote(std::wstring_view text) {
  std::wstring q = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') q += L'\\';
    q += c;
  }
  return Utf8FromWide(q + L"\"");
}

// Splits a line into words and quoted texts; an error text when it cannot.
std::string Tokenize(std::wstring_view line, std::vector<Token>& out) {
  size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    Token t;
    if (line[i] == L'"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const wchar_t c = line[i++];
        if (c == L'"') {
          closed = true;
          break;
        }
        if (c == L'\\') {
          if (i >= line.size()) break;
          const wchar_t e = line[i++];
          if (e != L'"' && e != L'\\') {
            return "unknown escape \\" + Utf8FromWide(std::wstring(1, e)) +
                   " in text (use \\\" or \\\\)";
          }
          t.value += e;
          continue;
        }
        t.value += c;
      }
      if (!closed) return "unterminated text (a closing \" is missing)";
    } else {
      while (i < line.size() && !IsBlank(line[i])) t.value += line[i++];
    }
    out.push_back(std::move(t));
  }
  return {};
}

std::optional<long long> Whole(const Token& t, long long max) {
  if (t.quoted || t.value.empty() || t.value.size() > 12) return std::nullopt;
  long long v = 0;
  for (wchar_t c : t.value) {
    if (c < L'0' || c > L'9') return std::nullopt;
    v = v * 10 + (c - L'0');
  }
  if (v > max) return std::nullopt;
  return v;
}

// Seconds with up to three decimals, as milliseconds.
std::optional<long long> Seconds(const Token& t) {
  if (t.quoted || t.value.empty() || t.value.size() > 16) return std::nullopt;
  long long whole = 0;
  long long frac = 0;
  int fracDigits = -1;
  for (wchar_t c : t.value) {
    if (c == L'.') {
      if (fracDigits >= 0) return std::nullopt;
      fracDigits = 0;
      continue;
    }
    if (c < L'0' || c > L'9') return std::nullopt;
    if (fracDigits < 0) {
      whole = whole * 10 + (c - L'0');
    } else if (++fracDigits <= 3) {
      frac = frac * 10 + (c - L'0');
    }
  }
  if (fracDigits == 0 || t.value == L".") return std::nullopt;
  for (int d = std::max(0, fracDigits); d < 3; ++d) frac *= 10;
  if (whole > 86400) return std::nullopt;
  return whole * 1000 + frac;
}

}  // namespace

KeyStroke KeyFromCharacter(wchar_t c) {
  KeyStroke k;
  k.character = c;
  if (c >= L'a' && c <= L'z') {
    k.vk = static_cast<UINT>(c - L'a' + L'A');
  } else if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) {
    k.vk = static_cast<UINT>(c);
  } else if (c == L' ') {
    k.vk = VK_SPACE;
  } else {
    k.vk = 0xE7;  // VK_PACKET: a character that has no key of its own
  }
  return k;
}

bool KeyFromName(std::wstring_view name, KeyStroke& key) {
  struct Named {
    const wchar_t* name;
    UINT vk;
    wchar_t character;
    bool shift;
  };
  static const Named kNames[] = {
      {L"Tab", VK_TAB, L'\t', false},      {L"Shift+Tab", VK_TAB, L'\t', true},
      {L"Enter", VK_RETURN, L'\r', false}, {L"Escape", VK_ESCAPE, 0x1B, false},
      {L"Space", VK_SPACE, L' ', false},   {L"Up", VK_UP, 0, false},
      {L"Down", VK_DOWN, 0, false},        {L"Left", VK_LEFT, 0, false},
      {L"Right", VK_RIGHT, 0, false},      {L"Backspace", VK_BACK, L'\b', false},
  };
  for (const Named& n : kNames) {
    if (name == n.name) {
      key = KeyStroke{n.vk, n.character, n.shift};
      return true;
    }
  }
  if (name.size() == 1 && name[0] >= L' ') {
    key = KeyFromCharacter(name[0]);
    return true;
  }
  return false;
}

namespace {

ParsedInputLine ReadCommand(std::string_view bytes) {
  using Kind = InputCommand::Kind;
  ParsedInputLine out;
  const std::wstring line = WideFromUtf8(bytes);
  size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == L'#') return out;
  std::vector<Token> t;
  if (std::string why = Tokenize(line, t); !why.empty()) {
    out.error = why;
    return out;
  }
  const std::wstring& name = t[0].value;
  const size_t args = t.size() - 1;
  auto fail = [&](std::string why) {
    out.command = InputCommand{};
    out.error = std::move(why);
    return out;
  };
  if (t[0].quoted) return fail("a line starts with a command, not with text " + Quote(name));
  InputCommand& c = out.command;
  if (name == L"tap") {
    if (args == 1 && t[1].quoted) {
      c.kind = Kind::TapText;
      c.text = t[1].value;
      return out;
    }
    if (args != 2 || t[1].quoted || t[2].quoted) return fail("tap needs X Y or \"TEXT\"");
    auto x = Whole(t[1], 1000000);
    auto y = Whole(t[2], 1000000);
    if (!x) return fail("bad number " + Quote(t[1].value) + " (X is a pixel from 0 to 239)");
    if (!y) return fail("bad number " + Quote(t[2].value) + " (Y is a pixel from 0 to 319)");
    if (*x >= 240 || *y >= 320) {
      return fail("point " + std::to_string(*x) + "," + std::to_string(*y) +
                  " is off the 240x320 screen");
    }
    c.kind = Kind::Tap;
    c.x = static_cast<int>(*x);
    c.y = static_cast<int>(*y);
    return out;
  }
  if (name == L"ok" || name == L"screen" || name == L"tree") {
    if (args != 0) return fail(Utf8FromWide(name) + " takes nothing after it");
    c.kind = name == L"ok" ? Kind::Ok : name == L"screen" ? Kind::Screen : Kind::Tree;
    return out;
  }
  if (name == L"key") {
    if (args != 1)
      return fail(
          "key needs one key name (Tab, Shift+Tab, Enter, Escape, Space, Up, Down, Left, Right, "
          "Backspace or a character)");
    if (!KeyFromName(t[1].value, c.key)) return fail("unknown key " + Quote(t[1].value));
    c.kind = Kind::Key;
    return out;
  }
  if (name == L"type" || name == L"expect") {
    if (args != 1 || !t[1].quoted) return fail(Utf8FromWide(name) + " needs \"TEXT\"");
    c.kind = name == L"type" ? Kind::Type : Kind::Expect;
    c.text = t[1].value;
    return out;
  }
  if (name == L"wait" || name == L"gone") {
    if (args < 1 || args > 2 || !t[1].quoted)
      return fail(Utf8FromWide(name) + " needs \"TEXT\" [SECONDS]");
    c.duration = std::chrono::milliseconds(5000);
    if (args == 2) {
      auto s = Seconds(t[2]);
      if (!s) return fail("bad seconds " + Quote(t[2].value) + " (a number from 0 to 86400)");
      c.duration = std::chrono::milliseconds(*s);
    }
    c.kind = name == L"wait" ? Kind::Wait : Kind::Gone;
    c.text = t[1].value;
    return out;
  }
  if (name == L"screenshot") {
    if (args != 1 || !t[1].quoted || t[1].value.empty()) return fail("screenshot needs \"FILE\"");
    c.kind = Kind::Screenshot;
    c.text = t[1].value;
    return out;
  }
  if (name == L"sleep") {
    if (args != 1) return fail("sleep needs MS");
    auto ms = Whole(t[1], 86400000);
    if (!ms)
      return fail("bad milliseconds " + Quote(t[1].value) + " (a whole number from 0 to 86400000)");
    c.kind = Kind::Sleep;
    c.duration = std::chrono::milliseconds(*ms);
    return out;
  }
  return fail("unknown command " + Quote(name));
}

}  // namespace

// A byte that is not UTF-8 reads as U+FFFD, and a command holding one would type, tap or wait
// for text nobody wrote; such a line is refused once it reads as a command at all.
ParsedInputLine ParseInputLine(std::string_view bytes) {
  ParsedInputLine out = ReadCommand(bytes);
  if (out.error.empty() && out.command.kind != InputCommand::Kind::Nothing &&
      Utf8FromWide(WideFromUtf8(bytes)) != bytes) {
    out.command = InputCommand{};
    out.error = "the line is not UTF-8 text";
  }
  return out;
}

}  // namespace cedev
