#include "DeviceError.h"

namespace cedev {

namespace {
constexpr std::size_t kQuotedBytes = 80;
}  // namespace

DeviceError::DeviceError(const std::filesystem::path& file, const std::string& why)
    : std::runtime_error(file.string() + ": " + why), file_(file) {}

std::string QuoteForMessage(std::string_view text) {
  if (text.size() <= kQuotedBytes) return "'" + std::string(text) + "'";
  std::size_t cut = kQuotedBytes;
  // Back to the first byte of a UTF-8 character, so that no half character is shown.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "'" + std::string(text.substr(0, cut)) + "...'";
}

}  // namespace cedev
