#include "StoreJournal.h"

#include <charconv>
#include <utility>

namespace cedev::notify {
namespace {

constexpr std::string_view kAdd = "add ";
constexpr std::string_view kSet = "set\t";
constexpr std::string_view kClear = "clear ";
constexpr std::string_view kWrapped = " wrapped";

bool ParseNumber(std::string_view text, DWORD& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

void AppendNumber(std::string& out, DWORD value) {
  char text[16];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  out.append(text, end);
}

// The entry of one whole line (without its newline), or the reason it is not one.
std::string ParseEntry(std::string_view line, JournalEntry& entry) {
  if (line.starts_with(kClear)) {
    entry.kind = JournalEntry::Kind::clear;
    if (!ParseNumber(line.substr(kClear.size()), entry.handle) || entry.handle == 0)
      return "bad handle to clear";
    return {};
  }
  std::string_view record;
  if (line.starts_with(kSet)) {
    entry.kind = JournalEntry::Kind::set;
    record = line.substr(kSet.size());
  } else if (line.starts_with(kAdd)) {
    entry.kind = JournalEntry::Kind::add;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return "no record after add";
    std::string_view next = line.substr(kAdd.size(), tab - kAdd.size());
    entry.wrapped = next.ends_with(kWrapped);
    if (entry.wrapped) next.remove_suffix(kWrapped.size());
    if (!ParseNumber(next, entry.nextHandle) || entry.nextHandle == 0) return "bad next handle";
    record = line.substr(tab + 1);
  } else {
    return "not a change (add, set or clear)";
  }
  const std::string why = ParseRecordLine(record, entry.record);
  if (!why.empty()) return why;
  entry.handle = entry.record.handle;
  return {};
}

}  // namespace

JournalEntry JournalEntry::Add(NotificationRecord record, DWORD nextHandle, bool wrapped) {
  JournalEntry entry;
  entry.kind = Kind::add;
  entry.handle = record.handle;
  entry.record = std::move(record);
  entry.nextHandle = nextHandle;
  entry.wrapped = wrapped;
  return entry;
}

JournalEntry JournalEntry::Set(NotificationRecord record) {
  JournalEntry entry;
  entry.kind = Kind::set;
  entry.handle = record.handle;
  entry.record = std::move(record);
  return entry;
}

JournalEntry JournalEntry::Clear(DWORD handle) {
  JournalEntry entry;
  entry.kind = Kind::clear;
  entry.handle = handle;
  return entry;
}

void AppendJournalLine(std::string& out, const JournalEntry& entry) {
  switch (entry.kind) {
    case JournalEntry::Kind::clear:
      out += kClear;
      AppendNumber(out, entry.handle);
      break;
    case JournalEntry::Kind::set:
      out += kSet;
      AppendRecordLine(out, entry.record);
      break;
    case JournalEntry::Kind::add:
      out += kAdd;
      AppendNumber(out, entry.nextHandle);
      if (entry.wrapped) out += kWrapped;
      out += '\t';
      AppendRecordLine(out, entry.record);
      break;
  }
  out += '\n';
}

std::string_view JournalHeading() {
  return "# changes to the registered notifications since the store was written, in order\n";
}

ParsedJournal ParseJournal(std::string_view text) {
  ParsedJournal parsed;
  int number = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) break;  // a torn tail: never a whole change
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    parsed.wholeBytes = at;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    JournalEntry entry;
    const std::string why = ParseEntry(line, entry);
    if (!why.empty()) {
      parsed.problems.push_back("line " + std::to_string(number) + ": " + why);
      continue;
    }
    parsed.entries.push_back(std::move(entry));
  }
  return parsed;
}

void ApplyEntry(StoreContent& content, JournalEntry entry) {
  switch (entry.kind) {
    case JournalEntry::Kind::clear:
      content.records.Erase(entry.handle);
      return;
    case JournalEntry::Kind::set:
      content.Put(std::move(entry.record));
      return;
    case JournalEntry::Kind::add:
      content.Put(std::move(entry.record));
      content.nextHandle = entry.nextHandle;
      content.wrapped = entry.wrapped;
      return;
  }
}

}  // namespace cedev::notify
