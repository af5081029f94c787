#include "StoreText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <optional>

#include "DeviceTime.h"
#include "WideText.h"

namespace cedev::notify {
namespace {

constexpr std::string_view kNextHandle = "next-handle ";
// The header's count of records: a store cut short between two lines still parses, so only the
// count tells that records are missing.
constexpr std::string_view kRecordCount = " records ";
constexpr std::string_view kWrapped = " wrapped";
constexpr DWORD kLastHandle = 0xFFFFFFFFu;

template <typename T>
void AppendNumber(std::string& out, T value) {
  char text[24];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  out.append(text, end);
}

void AppendEscaped(std::string& out, char c) {
  switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '"':
      out += "\\\"";
      break;
    default:
      AppendOnOneLine(out, c);
  }
}

void AppendQuoted(std::string& out, const std::optional<std::wstring>& text) {
  if (!text) {
    out += '-';
    return;
  }
  out += '"';
  // ASCII text (nearly all of it) goes straight in; other text through UTF-8.
  // (A wide character is unsigned on Windows and signed on this host.)
  const auto ascii = [](wchar_t c) { return static_cast<std::uint32_t>(c) < 0x80; };
  if (std::all_of(text->begin(), text->end(), ascii)) {
    for (const wchar_t c : *text) AppendEscaped(out, static_cast<char>(c));
  } else {
    for (const char c : Utf8FromWide(*text)) AppendEscaped(out, c);
  }
  out += '"';
}

bool IsWholeSecondCivil(const SYSTEMTIME& st) {
  if (st.wMilliseconds != 0) return false;
  const DeviceTime t = FromSystemTime(st);
  return IsValid(t) && DayOfWeek(t.year, t.month, t.day) == st.wDayOfWeek;
}

void AppendTime(std::string& out, const SYSTEMTIME& st) {
  if (IsWholeSecondCivil(st)) {
    AppendDeviceTime(out, FromSystemTime(st));
    return;
  }
  char text[96];
  std::snprintf(text, sizeof text, "raw %u,%u,%u,%u,%u,%u,%u,%u", st.wYear, st.wMonth,
                st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  out += text;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseTime(std::string_view text, SYSTEMTIME& st) {
  // What the device writes for a time it does not use (an end time, an event's start).
  if (text == "raw 0,0,0,0,0,0,0,0") {
    st = SYSTEMTIME{};
    return true;
  }
  if (text.starts_with("raw ")) {
    text.remove_prefix(4);
    WORD* fields[] = {&st.wYear, &st.wMonth,  &st.wDayOfWeek, &st.wDay,
                      &st.wHour, &st.wMinute, &st.wSecond,    &st.wMilliseconds};
    for (size_t i = 0; i < std::size(fields); ++i) {
      const size_t comma = i + 1 < std::size(fields) ? text.find(',') : text.size();
      if (comma == std::string_view::npos) return false;
      if (!ParseNumber(text.substr(0, comma), *fields[i])) return false;
      text.remove_prefix(std::min(text.size(), comma + 1));
    }
    return true;
  }
  const std::optional<DeviceTime> t = ParseDeviceTime(text);
  if (!t) return false;
  st = ToSystemTime(*t);
  return true;
}

bool Unescape(char c, char& out) {
  switch (c) {
    case '\\':
      out = '\\';
      return true;
    case '"':
      out = '"';
      return true;
    case 't':
      out = '\t';
      return true;
    case 'n':
      out = '\n';
      return true;
    case 'r':
      out = '\r';
      return true;
    default:
      return false;
  }
}

bool ParseQuoted(std::string_view text, std::optional<std::wstring>& value) {
  if (text == "-") {
    value.reset();
    return true;
  }
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  text = text.substr(1, text.size() - 2);
  // Almost every text is ASCII (paths, "M1"): widened byte by byte in one pass, into the room the
  // value already has; other text goes through UTF-8.
  if (!value) value.emplace();
  std::wstring& wide = *value;
  wide.clear();
  wide.reserve(text.size());
  std::string bytes;
  bool ascii = true;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') return false;
    if (c == '\\' && (++i == text.size() || !Unescape(text[i], c))) return false;
    if (ascii && static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      bytes.assign(wide.begin(), wide.end());
    }
    if (ascii) {
      wide.push_back(static_cast<wchar_t>(c));
    } else {
      bytes += c;
    }
  }
  if (!ascii) wide = WideFromUtf8(bytes);
  return true;
}

// The line's tab-separated columns, found without an allocation; false when there are more
// than a record has.
constexpr size_t kMostColumns = 14;
struct Columns {
  size_t ends[kMostColumns];  // where each column ends (its tab, or the line's end); not zeroed
  size_t size = 0;
  std::string_view line;

  std::string_view operator[](size_t i) const {
    const size_t start = i == 0 ? 0 : ends[i - 1] + 1;
    return line.substr(start, ends[i] - start);
  }
};

bool SplitTabs(std::string_view line, Columns& columns) {
  columns.line = line;
  // Eight bytes at a time: a byte equal to a tab turns to zero under the xor, and the word test
  // below marks it (and, rarely, a byte just above one, which the check of the byte passes over).
  constexpr std::uint64_t kTabs = 0x0909090909090909ull, kOnes = 0x0101010101010101ull,
                          kHighs = 0x8080808080808080ull;
  const char* data = line.data();
  size_t i = 0;
  const auto tab = [&](size_t at) {
    if (columns.size == kMostColumns - 1) return false;
    columns.ends[columns.size++] = at;
    return true;
  };
  for (; i + 8 <= line.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, sizeof word);
    const std::uint64_t x = word ^ kTabs;
    for (std::uint64_t marks = (x - kOnes) & ~x & kHighs; marks != 0; marks &= marks - 1) {
      const size_t at = i + static_cast<size_t>(std::countr_zero(marks)) / 8;
      if (data[at] == '\t' && !tab(at)) return false;
    }
  }
  for (; i < line.size(); ++i) {
    if (data[i] == '\t' && !tab(i)) return false;
  }
  columns.ends[columns.size++] = line.size();
  return true;
}

DWORD TypeOf(std::string_view name) {
  if (name == "time") return CNT_TIME;  // nearly every record
  for (DWORD type = CNT_EVENT; type <= CNT_CLASSICTIME; ++type) {
    if (name == TypeName(type)) return type;
  }
  return 0;
}

}  // namespace

std::string ParseRecordLine(std::string_view line, NotificationRecord& record) {
  Columns columns;
  const bool fit = SplitTabs(line, columns);
  const Columns& c = columns;
  if (!fit || (columns.size != 8 && columns.size != 14))
    return "expected 8 or 14 tab-separated columns";
  if (!ParseNumber(c[0], record.handle) || record.handle == 0) return "bad handle";
  record.type = TypeOf(c[1]);
  if (record.type == 0) return "unknown type";
  if (!ParseNumber(c[2], record.event)) return "bad event";
  if (!ParseTime(c[3], record.start)) return "bad start time";
  if (!ParseTime(c[4], record.end)) return "bad end time";
  if (!ParseQuoted(c[5], record.application)) return "bad application";
  if (!ParseQuoted(c[6], record.arguments)) return "bad arguments";
  if (c[7] == "-") {
    if (columns.size != 8) return "columns after \"-\" for no user notification";
    record.user.reset();
    return {};
  }
  if (c[7] != "user" || columns.size != 14) return "bad user notification";
  if (!record.user) record.user.emplace();  // filled in place, in the room a record read before had
  UserAction& user = *record.user;
  if (!ParseNumber(c[8], user.actionFlags)) return "bad action flags";
  if (!ParseQuoted(c[9], user.dialogTitle)) return "bad dialog title";
  if (!ParseQuoted(c[10], user.dialogText)) return "bad dialog text";
  if (!ParseQuoted(c[11], user.sound)) return "bad sound";
  if (!ParseNumber(c[12], user.maxSound)) return "bad sound length";
  if (!ParseNumber(c[13], user.reserved)) return "bad reserved field";
  return {};
}

void AppendRecordLine(std::string& out, const NotificationRecord& r) {
  AppendNumber(out, r.handle);
  out += '\t';
  out += TypeName(r.type) != nullptr ? TypeName(r.type) : "time";
  out += '\t';
  AppendNumber(out, r.event);
  out += '\t';
  AppendTime(out, r.start);
  out += '\t';
  AppendTime(out, r.end);
  out += '\t';
  AppendQuoted(out, r.application);
  out += '\t';
  AppendQuoted(out, r.arguments);
  out += '\t';
  if (!r.user) {
    out += '-';
    return;
  }
  out += "user\t";
  AppendNumber(out, r.user->actionFlags);
  out += '\t';
  AppendQuoted(out, r.user->dialogTitle);
  out += '\t';
  AppendQuoted(out, r.user->dialogText);
  out += '\t';
  AppendQuoted(out, r.user->sound);
  out += '\t';
  AppendNumber(out, r.user->maxSound);
  out += '\t';
  AppendNumber(out, r.user->reserved);
}

std::string FormatStore(const StoreContent& content) {
  std::string out = "# registered notifications, in handle order\n";
  out.reserve(out.size() + 40 + content.records.size() * 112);
  out += kNextHandle;
  AppendNumber(out, content.nextHandle);
  out += kRecordCount;
  AppendNumber(out, content.records.size());
  if (content.wrapped) out += kWrapped;
  out += '\n';
  for (const NotificationRecord& record : content.records) {
    AppendRecordLine(out, record);
    out += '\n';
  }
  return out;
}

ParsedStore ParseStore(std::string_view text, StoreContent recycled) {
  ParsedStore parsed;
  StoreContent& content = parsed.content;
  bool haveNext = false;
  DWORD next = 1;
  std::optional<std::size_t> counted;  // the header's record count
  int countLine = 0;
  int number = 0;
  if (text.empty()) {
    // The device never writes an empty store: this one lost all it had.
    parsed.problems.push_back("line 1: missing (the file is empty, cut short)");
    return parsed;
  }
  content.records.Recycle(std::move(recycled.records));
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const auto where = [number] { return "line " + std::to_string(number) + ": "; };
    if (line.starts_with(kNextHandle)) {
      DWORD value = 0;
      std::string_view handleText = line.substr(kNextHandle.size());
      std::size_t count = 0;
      const std::size_t countAt = handleText.find(kRecordCount);
      std::string_view countText = countAt != std::string_view::npos
                                       ? handleText.substr(countAt + kRecordCount.size())
                                       : std::string_view();
      const bool wrapped = countText.ends_with(kWrapped);
      if (wrapped) countText.remove_suffix(kWrapped.size());
      const bool countRead = countAt != std::string_view::npos && ParseNumber(countText, count);
      handleText = handleText.substr(0, countAt);
      if (haveNext) {
        parsed.problems.push_back(where() + "a second next-handle line");
      } else if (!ParseNumber(handleText, value) || value == 0) {
        parsed.problems.push_back(where() + "bad next handle");
      } else {
        haveNext = true;
        next = value;  // kept even without a count: a cleared handle is never given again
        content.wrapped = wrapped && countRead;
        if (countRead) {
          counted = count;
          countLine = number;
          // Room for them at once (no more than the text can hold: the count may be damaged).
          content.records.Reserve(std::min(count, text.size() / 16 + 1));
        } else {
          parsed.problems.push_back(where() + "no record count after the next handle");
        }
      }
      continue;
    }
    NotificationRecord& record = content.records.ToFill();
    const std::string why = ParseRecordLine(line, record);
    if (!why.empty()) {
      parsed.problems.push_back(where() + why);
      continue;
    }
    if (content.records.Find(record.handle) != nullptr) {
      parsed.problems.push_back(where() + "handle " + std::to_string(record.handle) + " again");
      continue;
    }
    content.records.KeepFilled();  // in handle order: where it is, without a search
  }
  content.records.EndFilling();
  if (!haveNext && number > 0 && parsed.problems.empty()) {
    parsed.problems.push_back("no next-handle line");
  }
  if (counted && *counted != content.records.size()) {
    parsed.problems.push_back("line " + std::to_string(countLine) + ": the store counts " +
                              std::to_string(*counted) + " records, " +
                              std::to_string(content.records.size()) + " read");
  }
  if (content.wrapped) {
    content.nextHandle = next;  // past the wrap the next handle lies anywhere; in use is skipped
    return parsed;
  }
  const DWORD lastKept = content.records.LastHandle();
  if (haveNext && next <= lastKept) {
    parsed.problems.push_back("next handle " + std::to_string(next) + " at or below a kept handle");
  }
  if (lastKept == kLastHandle) {
    // Nothing lies above the last number: the store has wrapped, whatever its header said.
    content.wrapped = true;
    content.nextHandle = 1;
  } else {
    content.nextHandle = std::max(next, lastKept + 1);
  }
  return parsed;
}

NewHandle FindNewHandle(const StoreContent& content) {
  const auto& records = content.records;
  NewHandle found;
  found.wrapped = content.wrapped;
  if (records.size() >= kLastHandle) return found;
  DWORD handle = content.nextHandle == 0 ? 1 : content.nextHandle;
  // The first free number from the next handle on, past the last one back to 1. Records are in
  // handle order, so the numbers in use from here on are met in turn.
  auto at = records.LowerBound(handle);
  while (at != records.end() && at->handle == handle) {
    if (handle == kLastHandle) {
      found.wrapped = true;
      handle = 1;
      at = records.begin();
    } else {
      ++handle;
      ++at;
    }
  }
  if (handle == kLastHandle) found.wrapped = true;
  found.handle = handle;
  found.nextHandle = handle == kLastHandle ? 1 : handle + 1;
  return found;
}

DWORD AddWithNewHandle(StoreContent& content, NotificationRecord record) {
  const NewHandle found = FindNewHandle(content);
  if (found.handle == 0) return 0;
  content.nextHandle = found.nextHandle;
  content.wrapped = found.wrapped;
  record.handle = found.handle;
  content.Put(std::move(record));
  return found.handle;
}

}  // namespace cedev::notify
