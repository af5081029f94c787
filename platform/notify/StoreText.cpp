#include "StoreText.h"

#include <algorithm>
#include <charconv>
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

void AppendQuoted(std::string& out, const std::optional<std::wstring>& text) {
  if (!text) {
    out += '-';
    return;
  }
  out += '"';
  for (const char c : Utf8FromWide(*text)) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
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

bool ParseQuoted(std::string_view text, std::optional<std::wstring>& value) {
  if (text == "-") {
    value.reset();
    return true;
  }
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  text = text.substr(1, text.size() - 2);
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') return false;
    if (c == '\\') {
      if (++i == text.size()) return false;
      switch (text[i]) {
        case '\\':
          c = '\\';
          break;
        case '"':
          c = '"';
          break;
        case 't':
          c = '\t';
          break;
        case 'n':
          c = '\n';
          break;
        case 'r':
          c = '\r';
          break;
        default:
          return false;
      }
    }
    bytes += c;
  }
  value = WideFromUtf8(bytes);
  return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> columns;
  for (;;) {
    const size_t tab = line.find('\t');
    columns.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return columns;
    line.remove_prefix(tab + 1);
  }
}

// The record of one line, or the reason it is not one.
std::string ParseRecord(std::string_view line, NotificationRecord& record) {
  const std::vector<std::string_view> c = SplitTabs(line);
  if (c.size() != 8 && c.size() != 14) return "expected 8 or 14 tab-separated columns";
  if (!ParseNumber(c[0], record.handle) || record.handle == 0) return "bad handle";
  record.type = TypeFromName(std::string(c[1]));
  if (record.type == 0) return "unknown type";
  if (!ParseNumber(c[2], record.event)) return "bad event";
  if (!ParseTime(c[3], record.start)) return "bad start time";
  if (!ParseTime(c[4], record.end)) return "bad end time";
  if (!ParseQuoted(c[5], record.application)) return "bad application";
  if (!ParseQuoted(c[6], record.arguments)) return "bad arguments";
  if (c[7] == "-") {
    if (c.size() != 8) return "columns after \"-\" for no user notification";
    record.user.reset();
    return {};
  }
  if (c[7] != "user" || c.size() != 14) return "bad user notification";
  UserAction user;
  if (!ParseNumber(c[8], user.actionFlags)) return "bad action flags";
  if (!ParseQuoted(c[9], user.dialogTitle)) return "bad dialog title";
  if (!ParseQuoted(c[10], user.dialogText)) return "bad dialog text";
  if (!ParseQuoted(c[11], user.sound)) return "bad sound";
  if (!ParseNumber(c[12], user.maxSound)) return "bad sound length";
  if (!ParseNumber(c[13], user.reserved)) return "bad reserved field";
  record.user = std::move(user);
  return {};
}

}  // namespace

std::string FormatStore(const StoreContent& content) {
  std::string out = "# registered notifications, in handle order\n";
  out += kNextHandle;
  out += std::to_string(content.nextHandle);
  out += kRecordCount;
  out += std::to_string(content.records.size());
  if (content.wrapped) out += kWrapped;
  out += '\n';
  for (const NotificationRecord& r : content.records) {
    out += std::to_string(r.handle);
    out += '\t';
    out += TypeName(r.type) != nullptr ? TypeName(r.type) : "time";
    out += '\t';
    out += std::to_string(r.event);
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
      out += "-\n";
      continue;
    }
    out += "user\t" + std::to_string(r.user->actionFlags) + '\t';
    AppendQuoted(out, r.user->dialogTitle);
    out += '\t';
    AppendQuoted(out, r.user->dialogText);
    out += '\t';
    AppendQuoted(out, r.user->sound);
    out += '\t' + std::to_string(r.user->maxSound) + '\t' + std::to_string(r.user->reserved) + '\n';
  }
  return out;
}

ParsedStore ParseStore(std::string_view text) {
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
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
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
        parsed.problems.push_back(where + "a second next-handle line");
      } else if (!ParseNumber(handleText, value) || value == 0) {
        parsed.problems.push_back(where + "bad next handle");
      } else {
        haveNext = true;
        next = value;  // kept even without a count: a cleared handle is never given again
        content.wrapped = wrapped && countRead;
        if (countRead) {
          counted = count;
          countLine = number;
        } else {
          parsed.problems.push_back(where + "no record count after the next handle");
        }
      }
      continue;
    }
    NotificationRecord record;
    const std::string why = ParseRecord(line, record);
    if (!why.empty()) {
      parsed.problems.push_back(where + why);
      continue;
    }
    const auto at =
        std::lower_bound(content.records.begin(), content.records.end(), record.handle,
                         [](const NotificationRecord& r, DWORD h) { return r.handle < h; });
    if (at != content.records.end() && at->handle == record.handle) {
      parsed.problems.push_back(where + "handle " + std::to_string(record.handle) + " again");
      continue;
    }
    content.records.insert(at, std::move(record));
  }
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
  const DWORD lastKept = content.records.empty() ? 0 : content.records.back().handle;
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

DWORD AddWithNewHandle(StoreContent& content, NotificationRecord record) {
  std::vector<NotificationRecord>& records = content.records;
  if (records.size() >= kLastHandle) return 0;
  DWORD handle = content.nextHandle == 0 ? 1 : content.nextHandle;
  // The first free number from the next handle on, past the last one back to 1. Records are in
  // handle order, so the numbers in use from here on are met in turn.
  auto at = std::lower_bound(records.begin(), records.end(), handle,
                             [](const NotificationRecord& r, DWORD h) { return r.handle < h; });
  while (at != records.end() && at->handle == handle) {
    if (handle == kLastHandle) {
      content.wrapped = true;
      handle = 1;
      at = records.begin();
    } else {
      ++handle;
      ++at;
    }
  }
  if (handle == kLastHandle) content.wrapped = true;
  content.nextHandle = handle == kLastHandle ? 1 : handle + 1;
  record.handle = handle;
  records.insert(at, std::move(record));
  return handle;
}

}  // namespace cedev::notify
