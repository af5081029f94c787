// Resources as the resource compiler wrote them (TestDialogs.rc, compiled by windres and
// embedded by the build), read back through the resource functions, and the .res reader's
// refusal of damaged images.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ResourceImage.h"
#include "TestDialogIds.h"
#include "windows.h"

namespace {

DLGTEMPLATE TemplateHeader(HRSRC found) {
  DLGTEMPLATE header{};
  const void* bytes = LockResource(LoadResource(nullptr, found));
  std::memcpy(&header, bytes, sizeof header);
  return header;
}

TEST(Resources, DialogTemplateFoundByOrdinal) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCE(IDD_FORM), RT_DIALOG);
  ASSERT_NE(found, nullptr);
  DLGTEMPLATE header = TemplateHeader(found);
  EXPECT_EQ(header.cdit, 9);
  EXPECT_EQ(header.cx, 120);
  EXPECT_EQ(header.cy, 150);
  EXPECT_NE(header.style & DS_SETFONT, 0u);
  EXPECT_GT(SizeofResource(nullptr, found), sizeof(DLGTEMPLATE) + 9 * sizeof(DLGITEMTEMPLATE));
}

TEST(Resources, HashNumberNamesTheOrdinal) {
  HRSRC byOrdinal = FindResourceW(nullptr, MAKEINTRESOURCE(IDD_NOTABSTOP), RT_DIALOG);
  HRSRC byText = FindResourceW(nullptr, L"#102", RT_DIALOG);
  ASSERT_NE(byOrdinal, nullptr);
  EXPECT_EQ(byOrdinal, byText);
  DLGTEMPLATE header = TemplateHeader(byOrdinal);
  EXPECT_EQ(header.x, 10);
  EXPECT_EQ(header.y, 20);
  EXPECT_EQ(header.style & DS_SETFONT, 0u);
}

TEST(Resources, NamedTypeAndNameCompareWithoutCase) {
  HRSRC found = FindResourceW(nullptr, L"hi_res_aware", L"ceux");
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(SizeofResource(nullptr, found), 2u);
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 0);
}

TEST(Resources, MissingNameAndMissingTypeAreTold) {
  SetLastError(0);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCE(999), RT_DIALOG), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCE(IDD_FORM), RT_MENU), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

// An image built by hand: the empty first record, then one RT_RCDATA named "DATA".
std::vector<unsigned char> HandImage() {
  std::vector<unsigned char> image(32, 0);
  image[4] = 32;  // header size
  image[8] = image[9] = 0xFF;
  image[12] = image[13] = 0xFF;
  auto put32 = [&](DWORD v) {
    for (int i = 0; i < 4; ++i) image.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto put16 = [&](WORD v) {
    image.push_back(static_cast<unsigned char>(v));
    image.push_back(static_cast<unsigned char>(v >> 8));
  };
  put32(3);                    // data size
  put32(8 + 4 + 10 + 2 + 16);  // header size: sizes, type, name "DATA", pad, fields
  put16(0xFFFF);
  put16(10);  // RT_RCDATA
  for (wchar_t c : std::wstring(L"DATA")) put16(static_cast<WORD>(c));
  put16(0);
  put16(0);  // to a DWORD boundary
  put32(0);
  put16(0x30);
  put16(0x409);
  put32(0);
  put32(0);
  image.push_back('a');
  image.push_back('b');
  image.push_back('c');
  image.push_back(0);  // padding
  return image;
}

TEST(ResourceImageReader, ReadsAHandMadeImage) {
  std::vector<unsigned char> image = HandImage();
  cedev::ParsedResourceImage parsed = cedev::ParseResourceImage(image.data(), image.size());
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.entries.size(), 1u);
  EXPECT_TRUE(cedev::ResourceIdMatches(parsed.entries[0].type, RT_RCDATA));
  EXPECT_TRUE(cedev::ResourceIdMatches(parsed.entries[0].name, L"Data"));
  EXPECT_FALSE(cedev::ResourceIdMatches(parsed.entries[0].name, L"DAT"));
  EXPECT_EQ(parsed.entries[0].language, 0x409);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(parsed.entries[0].data), 3), "abc");
}

TEST(ResourceImageReader, RefusesDamagedImages) {
  std::vector<unsigned char> good = HandImage();
  struct Case {
    const char* what;
    std::size_t keep;     // bytes kept from the good image
    std::size_t patchAt;  // byte to overwrite (or npos)
    unsigned char patch;
  };
  const std::size_t none = static_cast<std::size_t>(-1);
  const Case cases[] = {
      {"empty", 0, none, 0},
      {"cut inside the first header", 20, none, 0},
      {"cut inside the second header", 40, none, 0},
      {"cut inside the data", good.size() - 3, none, 0},
      {"no empty first record", good.size(), 0, 7},
      {"header size below 32", good.size(), 36, 8},
      {"data size past the end", good.size(), 32, 200},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> image(good.begin(),
                                     good.begin() + static_cast<std::ptrdiff_t>(c.keep));
    if (c.patchAt != none) image[c.patchAt] = c.patch;
    cedev::ParsedResourceImage parsed = cedev::ParseResourceImage(image.data(), image.size());
    EXPECT_NE(parsed.error, "") << c.what;
    EXPECT_TRUE(parsed.entries.empty()) << c.what;
  }
}

}  // namespace
