#include "DeviceRoot.h"

#include <cstdlib>
#include <cwctype>
#include <mutex>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include <winerror.h>
#include <windef.h>

#include "DeviceError.h"
#include "WideText.h"

namespace fs = std::filesystem;

namespace cedev {

namespace {

constexpr const char* kStateFolder = ".device";

bool IsFolder(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void MakeFolder(const fs::path& p) {
  std::error_code ec;
  fs::create_directories(p, ec);
  if (ec) throw DeviceError(p, "cannot make the folder: " + ec.message());
}

// Windows folds case by character; the device's names are almost all ASCII, and the other
// letters of Latin-1 and beyond fold by the C library's wide tables.
wchar_t Fold(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  if (c < 0x80) return c;
  return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

// The name in `folder` that is `name` without regard to case: the exact one when it exists,
// else the first that matches, else `name` itself.
std::string FindName(const fs::path& folder, const std::wstring& name) {
  const std::string exact = Utf8FromWide(name);
  struct stat st {};
  if (::lstat((folder / exact).c_str(), &st) == 0) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return exact;
  std::string found = exact;
  while (const dirent* entry = ::readdir(dir)) {
    if (SameName(WideFromUtf8(entry->d_name), name)) {
      found = entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool IsBadNameChar(wchar_t c) {
  return c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' ||
         c == L'*';
}

std::mutex g_madeLock;
fs::path g_madeRoot;  // the last root known to exist; guarded by g_madeLock

}  // namespace

fs::path DeviceRootPath() {
  if (const char* root = std::getenv("CEDEVICE_ROOT"); root != nullptr && *root != 0) return root;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && *data != 0) return fs::path(data) / "cedevice";
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "/tmp") / ".local/share/cedevice";
}

fs::path DeviceRoot() {
  const fs::path root = DeviceRootPath();
  std::lock_guard<std::mutex> lock(g_madeLock);
  if (root == g_madeRoot && IsFolder(root / kStateFolder)) return root;
  if (!IsFolder(root)) {
    std::error_code ec;
    if (fs::exists(root, ec)) throw DeviceError(root, "the device root is not a folder");
    for (const char* folder : {"My Documents", "Windows", kStateFolder}) MakeFolder(root / folder);
  }
  if (!IsFolder(root / kStateFolder)) MakeFolder(root / kStateFolder);
  g_madeRoot = root;
  return root;
}

fs::path DeviceStatePath(std::string_view name) {
  const fs::path folder = DeviceRoot() / kStateFolder;
  if (!IsFolder(folder)) MakeFolder(folder);
  return folder / std::string(name);
}

unsigned long MapCePath(std::wstring_view cePath, fs::path& out) {
  if (cePath.empty()) return ERROR_PATH_NOT_FOUND;
  if (cePath.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  std::vector<std::wstring> parts;
  std::wstring part;
  auto flush = [&]() -> unsigned long {
    if (part == L"..") {
      if (parts.empty()) return ERROR_PATH_NOT_FOUND;
      parts.pop_back();
    } else if (!part.empty() && part != L".") {
      for (wchar_t c : part) {
        if (IsBadNameChar(c)) return ERROR_INVALID_NAME;
      }
      parts.push_back(part);
    }
    part.clear();
    return NO_ERROR;
  };
  for (wchar_t c : cePath) {
    if (c == L'\\' || c == L'/') {
      if (const unsigned long e = flush(); e != NO_ERROR) return e;
    } else {
      part += c;
    }
  }
  if (const unsigned long e = flush(); e != NO_ERROR) return e;
  // The device's own state is not part of its file system.
  if (!parts.empty() && SameName(parts.front(), L".device")) return ERROR_PATH_NOT_FOUND;

  fs::path host = DeviceRoot();
  for (const std::wstring& name : parts) host /= FindName(host, name);
  out = host;
  return NO_ERROR;
}

std::wstring CePathOf(const fs::path& hostPath) {
  std::error_code ec;
  const fs::path root = fs::weakly_canonical(DeviceRootPath(), ec);
  if (ec) return {};
  const fs::path full = fs::weakly_canonical(hostPath, ec);
  if (ec) return {};
  const fs::path rel = full.lexically_relative(root);
  if (rel.empty() || *rel.begin() == "..") return {};
  std::wstring ce;
  for (const fs::path& part : rel) {
    if (part == ".") continue;
    ce += L'\\';
    ce += WideFromUtf8(part.string());
  }
  return ce.empty() ? std::wstring(L"\\") : ce;
}

}  // namespace cedev
