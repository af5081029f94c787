#include "ResourceImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <list>
#include <mutex>

namespace cedev {
namespace {

class Reader {
 public:
  Reader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  std::size_t offset() const { return offset_; }
  bool has(std::size_t n) const { return n <= size_ - offset_; }
  DWORD dword() {
    DWORD v = 0;
    std::memcpy(&v, bytes_ + offset_, sizeof v);
    offset_ += sizeof v;
    return v;
  }
  WORD word() {
    WORD v = 0;
    std::memcpy(&v, bytes_ + offset_, sizeof v);
    offset_ += sizeof v;
    return v;
  }
  void seek(std::size_t to) { offset_ = to; }

 private:
  const unsigned char* bytes_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// An ordinal (0xFFFF, then the WORD) or a terminated UTF-16 string, within `end`.
bool ReadId(Reader& in, std::size_t end, ResourceId& id) {
  if (!in.has(2) || in.offset() + 2 > end) return false;
  WORD first = in.word();
  if (first == 0xFFFF) {
    if (in.offset() + 2 > end) return false;
    id.isOrdinal = true;
    id.ordinal = in.word();
    return true;
  }
  id.isOrdinal = false;
  id.name.clear();
  for (WORD c = first; c != 0; c = in.word()) {
    id.name.push_back(static_cast<wchar_t>(c));
    if (in.offset() + 2 > end) return false;
  }
  return true;
}

std::size_t AlignUp4(std::size_t n) { return (n + 3) & ~static_cast<std::size_t>(3); }

struct RegisteredImage {
  const unsigned char* bytes;
  std::vector<ResourceEntry> entries;
};

struct Registry {
  std::mutex lock;
  std::list<RegisteredImage> images;  // a list: entries' addresses are the HRSRCs handed out
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool SameText(const std::wstring& a, LPCWSTR b) {
  std::size_t n = std::wcslen(b);
  if (n != a.size()) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

ParsedResourceImage ParseResourceImage(const unsigned char* bytes, std::size_t size) {
  ParsedResourceImage result;
  Reader in(bytes, size);
  auto fail = [&](std::size_t at, const char* why) {
    result.entries.clear();
    result.error = "resource image: " + std::string(why) + " at offset " + std::to_string(at);
    return result;
  };
  bool first = true;
  while (in.offset() < size) {
    std::size_t start = in.offset();
    if (!in.has(8)) return fail(start, "truncated record header");
    DWORD dataSize = in.dword();
    DWORD headerSize = in.dword();
    if (headerSize < 32 || !in.has(headerSize - 8)) return fail(start, "bad header size");
    std::size_t headerEnd = start + headerSize;
    ResourceEntry entry;
    if (!ReadId(in, headerEnd, entry.type)) return fail(in.offset(), "bad resource type");
    if (!ReadId(in, headerEnd, entry.name)) return fail(in.offset(), "bad resource name");
    in.seek(AlignUp4(in.offset()));
    if (in.offset() + 16 > headerEnd) return fail(start, "header too short for its fields");
    in.dword();  // data version
    in.word();   // memory flags
    entry.language = in.word();
    in.seek(headerEnd);
    if (!in.has(dataSize)) return fail(start, "data runs past the end");
    entry.data = bytes + headerEnd;
    entry.size = dataSize;
    in.seek(headerEnd + dataSize);
    if (in.offset() < size) in.seek(std::min(size, AlignUp4(in.offset())));
    // The first record is the empty one that marks a 32-bit .res file.
    if (first) {
      first = false;
      if (dataSize != 0 || !entry.type.isOrdinal || entry.type.ordinal != 0)
        return fail(start, "not a 32-bit .res image (no empty first record)");
      continue;
    }
    result.entries.push_back(std::move(entry));
  }
  if (first) return fail(0, "empty image");
  return result;
}

bool ResourceIdMatches(const ResourceId& entryId, LPCWSTR id) {
  if (id == nullptr) return false;
  if (IS_INTRESOURCE(id)) {
    return entryId.isOrdinal &&
           entryId.ordinal == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(id));
  }
  if (id[0] == L'#') {
    wchar_t* end = nullptr;
    unsigned long n = std::wcstoul(id + 1, &end, 10);
    if (end != id + 1 && *end == 0 && n <= 0xFFFF) return entryId.isOrdinal && entryId.ordinal == n;
  }
  return !entryId.isOrdinal && SameText(entryId.name, id);
}

ResourceImageRegistration::ResourceImageRegistration(const unsigned char* bytes, std::size_t size,
                                                     const char* origin)
    : bytes_(bytes) {
  ParsedResourceImage parsed = ParseResourceImage(bytes, size);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", origin, parsed.error.c_str());
    return;
  }
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  registry.images.push_back(RegisteredImage{bytes, std::move(parsed.entries)});
}

ResourceImageRegistration::~ResourceImageRegistration() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  registry.images.remove_if([this](const RegisteredImage& image) { return image.bytes == bytes_; });
}

}  // namespace cedev

// The process is one module: any module handle (or none) finds the resources it was built with.
HRSRC FindResourceW(HMODULE, LPCWSTR lpName, LPCWSTR lpType) {
  if (lpName == nullptr || lpType == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  cedev::Registry& registry = cedev::TheRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  bool typeSeen = false;
  for (const cedev::RegisteredImage& image : registry.images) {
    for (const cedev::ResourceEntry& entry : image.entries) {
      if (!cedev::ResourceIdMatches(entry.type, lpType)) continue;
      typeSeen = true;
      if (cedev::ResourceIdMatches(entry.name, lpName)) {
        return reinterpret_cast<HRSRC>(const_cast<cedev::ResourceEntry*>(&entry));
      }
    }
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo) {
  if (hResInfo == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const auto* entry = reinterpret_cast<const cedev::ResourceEntry*>(hResInfo);
  return const_cast<BYTE*>(entry->data);
}

// Resources are read-only bytes of the program's image: locking is the address itself.
LPVOID LockResource(HGLOBAL hResData) { return hResData; }

DWORD SizeofResource(HMODULE, HRSRC hResInfo) {
  if (hResInfo == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return reinterpret_cast<const cedev::ResourceEntry*>(hResInfo)->size;
}
