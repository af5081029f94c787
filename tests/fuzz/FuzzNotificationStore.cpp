// Any bytes as the notification store: the reader never crashes; every line it cannot read is
// named as a problem and the rest are kept in handle order below the next handle (until the
// handles have wrapped); what it kept writes out as a store that reads back whole and the same.
// The same bytes as the store file of a device give the same notifications through the
// service, with the damaged file set aside. The same bytes as the store's journal, after the
// store the service kept: its whole lines are changes, what follows the last newline is a torn
// line, the service makes the changes that read and sets the journal aside exactly when a line
// does not read (or leaves the next handle at or below a kept one).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "NotificationStore.h"
#include "StoreJournal.h"
#include "StoreText.h"

namespace fs = std::filesystem;
using namespace cedev::notify;

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "notification store fuzz: %s\n", what);
    std::abort();
  }
}

void CheckWellFormed(const StoreContent& content) {
  DWORD previous = 0;
  for (const NotificationRecord& record : content.records) {
    Check(record.handle != 0, "a kept record with handle 0");
    // Past the wrap the next handle is only where the search for a free one starts.
    Check(content.wrapped || record.handle < content.nextHandle,
          "a kept handle at or above the next handle");
    Check(previous < record.handle, "records out of handle order");
    previous = record.handle;
  }
}

bool SameContent(const StoreContent& a, const StoreContent& b) {
  return a.nextHandle == b.nextHandle && a.wrapped == b.wrapped && a.records == b.records;
}

// Removes what an earlier run set aside, so the next damage has the plain name again.
void RemoveAsideCopies() {
  const fs::path store = StorePath();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(store.parent_path(), ec)) {
    if (entry.path().filename().string().find(".damaged") != std::string::npos) {
      fs::remove(entry.path(), ec);
    }
  }
}

// Puts `text` in place of the file. The service knows its files by inode, size and times; the
// last file is kept alive while the new one is written so that the new one cannot reuse its
// inode within one clock tick.
void Put(const fs::path& file, std::string_view text) {
  fs::path previous = file;
  previous += ".previous";
  std::error_code ec;
  fs::rename(file, previous, ec);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  fs::remove(previous, ec);
}

void CheckJournal(std::string_view text, const StoreContent& before) {
  const ParsedJournal parsed = ParseJournal(text);
  for (const std::string& problem : parsed.problems)
    Check(problem.rfind("line ", 0) == 0, "a journal problem that does not name its line");
  Check(parsed.wholeBytes <= text.size() &&
            (parsed.wholeBytes == 0 || text[parsed.wholeBytes - 1] == '\n') &&
            text.substr(parsed.wholeBytes).find('\n') == std::string_view::npos,
        "the journal's whole lines do not end at its last newline");
  StoreContent after = before;
  for (const JournalEntry& entry : parsed.entries) ApplyEntry(after, entry);
  StoreContent twice = after;  // a journal read over a snapshot that holds it
  for (const JournalEntry& entry : parsed.entries) ApplyEntry(twice, entry);
  Check(SameContent(after, twice), "the journal read twice gives another store");
  const bool lowNext =
      !after.wrapped && !after.records.empty() && after.nextHandle <= after.records.LastHandle();

  RemoveAsideCopies();
  Put(JournalPath(), text);
  try {
    const auto content = ReadStore();
    Check(content->records == after.records, "the service made other changes than the journal's");
    fs::path aside = JournalPath();
    aside += ".damaged";
    Check(fs::exists(aside) == (!parsed.problems.empty() || lowNext),
          "a damaged journal was not set aside (or a whole one was)");
  } catch (const cedev::DeviceError&) {
    Check(false, "a journal of any content must read");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("CEDEVICE_ROOT") == nullptr) {
    static std::string root = (fs::temp_directory_path() / "quenmora-fuzz-notify").string();
    setenv("CEDEVICE_ROOT", root.c_str(), 1);
  }
  cedev::DeviceRoot();
  SetDamageReporter([](const std::string&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ParsedStore parsed = ParseStore(text);
  CheckWellFormed(parsed.content);
  for (const std::string& problem : parsed.problems) {
    // A bad line is named by its number; a missing or too low next handle has no line of its own.
    Check(problem.rfind("line ", 0) == 0 || problem == "no next-handle line" ||
              problem.rfind("next handle ", 0) == 0,
          "a problem that does not name its line");
  }

  const std::string written = FormatStore(parsed.content);
  const ParsedStore reread = ParseStore(written);
  Check(reread.problems.empty(), "the store as written back has problems");
  Check(SameContent(parsed.content, reread.content), "the store as written back reads as another");
  Check(FormatStore(reread.content) == written, "writing the store twice gives other text");
  if (parsed.problems.empty() && !parsed.content.records.empty()) {
    Check(text.find("next-handle") != std::string_view::npos,
          "a store without next-handle read as whole");
  }

  // Through the service: the bytes as the device's store file.
  RemoveAsideCopies();
  std::error_code ec;
  fs::remove(JournalPath(), ec);
  Put(StorePath(), text);
  std::shared_ptr<const StoreContent> kept;
  try {
    kept = ReadStore();
    Check(SameContent(*kept, parsed.content),
          "the service kept other notifications than the reader");
    fs::path aside = StorePath();
    aside += ".damaged";
    Check(fs::exists(aside) == !parsed.problems.empty(),
          "a damaged store was not set aside (or a whole one was)");
  } catch (const cedev::DeviceError&) {
    Check(false, "a store file of any content must read");
  }
  CheckJournal(text, *kept);
  return 0;
}
