// The program's resources: binary .res images that the resource compiler wrote and the build
// embedded in the executable (cmake/Resources.cmake). Each image registers itself at start-up;
// FindResource/LoadResource/LockResource/SizeofResource (winbase.h) search what is registered.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "windows.h"

namespace cedev {

// A resource type or name: an ordinal, or a string (compared without regard to case).
struct ResourceId {
  bool isOrdinal = true;
  WORD ordinal = 0;
  std::wstring name;
};

struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  WORD language = 0;
  const BYTE* data = nullptr;  // into the image, which outlives the entry
  DWORD size = 0;
};

struct ParsedResourceImage {
  std::vector<ResourceEntry> entries;
  std::string error;  // empty when the whole image was read
};

// Reads a .res image: 32-byte empty first record, then records of DataSize, HeaderSize, type,
// name (0xFFFF + ordinal or a terminated wide string), DWORD alignment, version and flags,
// language, the data, and padding to a DWORD. A malformed image yields an error naming the
// offset and no entries.
ParsedResourceImage ParseResourceImage(const unsigned char* bytes, std::size_t size);

// Whether `id` (a MAKEINTRESOURCE value, "#123", or a name) names `entryId`.
bool ResourceIdMatches(const ResourceId& entryId, LPCWSTR id);

// Registers an embedded image for the life of the object; a malformed one is reported on
// standard error with `origin` and contributes nothing.
class ResourceImageRegistration {
 public:
  ResourceImageRegistration(const unsigned char* bytes, std::size_t size, const char* origin);
  ~ResourceImageRegistration();
  ResourceImageRegistration(const ResourceImageRegistration&) = delete;
  ResourceImageRegistration& operator=(const ResourceImageRegistration&) = delete;

 private:
  const unsigned char* bytes_;
};

}  // namespace cedev
