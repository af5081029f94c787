// FindFirstFile, FindNextFile and FindClose over a folder of the device root. The names are read
// whole when the search starts, so files made or removed during a search (a caller deleting what
// it finds) change nothing of what it returns.
#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <windows.h>

#include "CaseMap.h"
#include "DeviceError.h"
#include "DeviceRoot.h"
#include "KernelObjects.h"
#include "WideText.h"

namespace fs = std::filesystem;

namespace {

// Seconds from 1601-01-01 (FILETIME's start) to 1970-01-01.
constexpr unsigned long long kEpochGap = 11644473600ull;

bool SameChar(wchar_t a, wchar_t b) { return cekernel::ToLowerChar(a) == cekernel::ToLowerChar(b); }

// Wildcard match without regard to case: '*' any run, '?' one character. The last '*' seen is
// where a failed match resumes, which is enough for patterns of this kind.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*") pattern = L"*";
  std::size_t p = 0, n = 0, star = std::wstring_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || SameChar(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

FILETIME FileTimeOf(const struct timespec& t) {
  const unsigned long long ticks =
      (static_cast<unsigned long long>(t.tv_sec) + kEpochGap) * 10000000ull +
      static_cast<unsigned long long>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

class FindObject : public cedev::KernelObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAW> found) : found_(std::move(found)) {}
  // The next entry, or false past the last one.
  bool Next(WIN32_FIND_DATAW& out) {
    std::lock_guard<std::mutex> guard(lock_);
    if (next_ >= found_.size()) return false;
    out = found_[next_++];
    return true;
  }

 private:
  std::mutex lock_;
  std::vector<WIN32_FIND_DATAW> found_;  // immutable
  std::size_t next_ = 0;                 // guarded by lock_
};

// The entries of `folder` whose names match `pattern`, in name order.
std::vector<WIN32_FIND_DATAW> Entries(const fs::path& folder, std::wstring_view pattern) {
  std::vector<std::pair<std::wstring, WIN32_FIND_DATAW>> named;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::wstring name = cedev::WideFromUtf8(entry.path().filename().string());
    if (name.size() >= MAX_PATH || !Matches(pattern, name)) continue;
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0) continue;  // gone meanwhile
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if ((st.st_mode & S_IWUSR) == 0) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (data.dwFileAttributes == 0) data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = data.ftLastAccessTime = data.ftLastWriteTime = FileTimeOf(st.st_mtim);
    const auto size = S_ISDIR(st.st_mode) ? 0ull : static_cast<unsigned long long>(st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::wcsncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
    named.emplace_back(name, data);
  }
  std::sort(named.begin(), named.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<WIN32_FIND_DATAW> found;
  for (const auto& [name, data] : named) found.push_back(data);
  return found;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW data) {
  if (fileName == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::wstring_view path(fileName);
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::wstring_view pattern =
      slash == std::wstring_view::npos ? path : path.substr(slash + 1);
  const std::wstring folderPath(slash == std::wstring_view::npos ? std::wstring_view(L"\\")
                                                                 : path.substr(0, slash + 1));
  if (pattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  fs::path folder;
  unsigned long error = ERROR_PATH_NOT_FOUND;
  try {
    error = cedev::MapCePath(folderPath, folder);
  } catch (const cedev::DeviceError&) {
    // The device root itself cannot be made: nothing on it can be found.
  }
  std::error_code ec;
  if (error == NO_ERROR && !fs::is_directory(folder, ec)) error = ERROR_PATH_NOT_FOUND;
  if (error != NO_ERROR) {
    SetLastError(static_cast<DWORD>(error));
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_shared<FindObject>(Entries(folder, pattern));
  if (!search->Next(*data)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(NO_ERROR);
  return cedev::NewKernelHandle(std::move(search));
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
  const auto search = cedev::LookupKernelHandleAs<FindObject>(find);
  if (search == nullptr || data == nullptr) {
    SetLastError(search == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!search->Next(*data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (cedev::LookupKernelHandleAs<FindObject>(find) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(find);
}
