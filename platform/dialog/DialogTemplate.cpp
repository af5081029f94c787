#include "DialogTemplate.h"

#include <algorithm>
#include <cstring>

namespace cedev {
namespace {

class TemplateReader {
 public:
  TemplateReader(const BYTE* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool failed() const { return failed_; }
  std::size_t offset() const { return offset_; }
  WORD Word() { return Read<WORD>(); }
  DWORD Dword() { return Read<DWORD>(); }
  short Short() { return static_cast<short>(Read<WORD>()); }
  BYTE Byte() { return Read<BYTE>(); }
  std::wstring String() {
    std::wstring s;
    for (WORD c = Word(); c != 0 && !failed_; c = Word()) s.push_back(static_cast<wchar_t>(c));
    return s;
  }
  // A menu, class or title field: 0 (none), 0xFFFF + ordinal, or a string.
  std::wstring NameOrOrdinal(WORD& ordinal) {
    ordinal = 0;
    std::size_t at = offset_;
    WORD first = Word();
    if (failed_ || first == 0) return {};
    if (first == 0xFFFF) {
      ordinal = Word();
      return {};
    }
    offset_ = at;
    return String();
  }
  void AlignDword() { offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3); }
  void Skip(std::size_t n) {
    if (n > size_ - std::min(offset_, size_)) failed_ = true;
    offset_ += n;
  }
  const BYTE* Here() const { return bytes_ + offset_; }

 private:
  template <class T>
  T Read() {
    T v{};
    if (failed_ || offset_ > size_ || sizeof(T) > size_ - offset_) {
      failed_ = true;
      return v;
    }
    std::memcpy(&v, bytes_ + offset_, sizeof v);
    offset_ += sizeof v;
    return v;
  }
  const BYTE* bytes_;
  std::size_t size_;
  std::size_t offset_ = 0;
  bool failed_ = false;
};

}  // namespace

std::wstring PredefinedClassName(WORD ordinal) {
  switch (ordinal) {
    case 0x80:
      return L"Button";
    case 0x81:
      return L"Edit";
    case 0x82:
      return L"Static";
    case 0x83:
      return L"ListBox";
    case 0x84:
      return L"ScrollBar";
    case 0x85:
      return L"ComboBox";
    default:
      return {};
  }
}

ParsedDialog ParseDialogTemplate(const BYTE* bytes, std::size_t size) {
  ParsedDialog result;
  if (bytes == nullptr) {
    result.error = "no dialog template";
    return result;
  }
  TemplateReader in(bytes, size);
  DialogLayout& layout = result.layout;
  WORD version = in.Word();
  WORD signature = in.Word();
  bool extended = version == 1 && signature == 0xFFFF;
  WORD count = 0;
  if (extended) {
    in.Dword();  // help id
    layout.exStyle = in.Dword();
    layout.style = in.Dword();
  } else {
    layout.style = static_cast<DWORD>(version) | (static_cast<DWORD>(signature) << 16);
    layout.exStyle = in.Dword();
  }
  count = in.Word();
  layout.x = in.Short();
  layout.y = in.Short();
  layout.cx = in.Short();
  layout.cy = in.Short();
  WORD ordinal = 0;
  in.NameOrOrdinal(ordinal);  // menu: the device's dialogs have none
  layout.className = in.NameOrOrdinal(ordinal);
  layout.title = in.NameOrOrdinal(ordinal);
  if (layout.style & DS_SETFONT) {
    layout.hasFont = true;
    layout.pointSize = in.Word();
    if (extended) {
      layout.weight = in.Word();
      layout.italic = in.Byte() != 0;
      in.Byte();  // character set
    }
    layout.face = in.String();
  }
  for (WORD i = 0; i < count && !in.failed(); ++i) {
    in.AlignDword();
    DialogItemLayout item;
    if (extended) {
      in.Dword();  // help id
      item.exStyle = in.Dword();
      item.style = in.Dword();
    } else {
      item.style = in.Dword();
      item.exStyle = in.Dword();
    }
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = extended ? in.Dword() : in.Word();
    WORD classOrdinal = 0;
    item.className = in.NameOrOrdinal(classOrdinal);
    if (classOrdinal != 0) {
      item.className = PredefinedClassName(classOrdinal);
      if (item.className.empty()) {
        result.error = "dialog item " + std::to_string(i) + " has unknown class ordinal " +
                       std::to_string(classOrdinal);
        return result;
      }
    }
    WORD titleOrdinal = 0;
    item.title = in.NameOrOrdinal(titleOrdinal);
    if (titleOrdinal != 0) item.title = L"#" + std::to_wstring(titleOrdinal);
    WORD extra = in.Word();
    if (extra > 0 && !in.failed()) {
      const BYTE* data = in.Here();
      in.Skip(extra);
      if (!in.failed()) item.creationData.assign(data, data + extra);
    }
    if (item.className.empty() && !in.failed()) {
      result.error = "dialog item " + std::to_string(i) + " has no class";
      return result;
    }
    layout.items.push_back(std::move(item));
  }
  if (in.failed())
    result.error = "dialog template ends early (at byte " + std::to_string(in.offset()) + ")";
  return result;
}

}  // namespace cedev
