// The program's dialog templates as the resource compiler wrote them: every dialog's frame and
// every control's id, class, text, style and place, read back from the linked resource image.
#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include <commctrl.h>
#include <windows.h>

#include "resource.h"

namespace {

struct Item {
  int id;
  std::wstring cls;  // the predefined classes by name, as their ordinals stand for
  std::wstring text;
  DWORD style;
  short x, y, cx, cy;
};

struct Template {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring title;
  WORD pointSize = 0;
  std::wstring face;
  std::vector<Item> items;
};

class Reader {
 public:
  explicit Reader(const BYTE* p) : p_(p) {}
  WORD Word() {
    WORD w;
    std::memcpy(&w, p_, sizeof w);
    p_ += sizeof w;
    return w;
  }
  DWORD Dword() {
    DWORD d = Word();
    return d | (static_cast<DWORD>(Word()) << 16);
  }
  short Short() { return static_cast<short>(Word()); }
  // 0x0000, 0xFFFF + ordinal, or a terminated string.
  std::wstring SzOrOrdinal() {
    WORD first = Word();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
    std::wstring s;
    for (WORD c = first; c != 0; c = Word()) s += static_cast<wchar_t>(c);
    return s;
  }
  void AlignDword(const BYTE* base) {
    while ((p_ - base) % 4 != 0) ++p_;
  }
  void Skip(size_t n) { p_ += n; }

 private:
  const BYTE* p_;
};

// Class names compare without regard to case; the resource compiler writes some in capitals
// and the predefined ones as ordinals.
std::wstring ClassName(const std::wstring& raw) {
  if (raw == L"#128") return L"button";
  if (raw == L"#129") return L"edit";
  if (raw == L"#130") return L"static";
  if (raw == L"#131") return L"listbox";
  std::wstring lower;
  for (wchar_t c : raw) lower += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return lower;
}

Template Load(int id) {
  Template t;
  HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(id), RT_DIALOG);
  if (found == nullptr) return t;
  const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  Reader r(base);
  t.style = r.Dword();
  t.exStyle = r.Dword();
  WORD count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  r.SzOrOrdinal();  // menu
  r.SzOrOrdinal();  // class
  t.title = r.SzOrOrdinal();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Word();
    t.face = r.SzOrOrdinal();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignDword(base);
    Item item{};
    item.style = r.Dword();
    r.Dword();  // extended style
    item.x = r.Short();
    item.y = r.Short();
    item.cx = r.Short();
    item.cy = r.Short();
    item.id = static_cast<short>(r.Word());
    item.cls = ClassName(r.SzOrOrdinal());
    item.text = r.SzOrOrdinal();
    r.Skip(r.Word());
    t.items.push_back(item);
  }
  return t;
}

struct Expected {
  int id;
  DWORD style;
  DWORD exStyle;
  short cx, cy;
  const wchar_t* title;
  WORD pointSize;
  const wchar_t* face;
  std::vector<Item> items;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kToggle = kChild | WS_TABSTOP | BS_AUTOCHECKBOX | BS_PUSHLIKE;

const wchar_t kExplanation[] =
    L"Q.V.R. will turn your volume on and off (or vibrate if available) at set times. In this "
    L"screen you choose the days of the week, the time you want to toggle the volume and "
    L"whether you want to toggle mute On or Off.";
const wchar_t kFirstInstructions[] =
    L"In order to use Quenmora (Q.V.R.) you have to train Q.V.R. where the volume icon is on "
    L"your task bar.\r\n\r\nStart by pressing the train button below and watching here for what "
    L"to do next...";

const std::vector<Expected>& Templates() {
  static const std::vector<Expected> templates = {
      {IDD_QUENMORA_DIALOG,
       WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT,
       WS_EX_CAPTIONOKBTN | WS_EX_APPWINDOW,
       156,
       129,
       L"Quenmora",
       8,
       L"MS Shell Dlg",
       {{1000, L"button", L"New", kChild | WS_TABSTOP, 7, 7, 27, 14},
        {1001, L"listbox", L"",
         kChild | WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 7, 25,
         142, 97},
        {1002, L"button", L"Edit", kChild | WS_TABSTOP, 37, 7, 27, 14},
        {1012, L"button", L"Del", kChild | WS_TABSTOP, 67, 7, 27, 14},
        {IDCANCEL, L"button", L"X", WS_CHILD | WS_TABSTOP, 133, 7, 16, 14},
        {1013, L"button", L"Setup", kChild | WS_TABSTOP, 97, 7, 27, 14}}},
      {IDD_ITEM,
       WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
       0,
       151,
       142,
       L"Quenmora Item",
       8,
       L"Microsoft Sans Serif",
       {{1008, L"button", L"Su", kToggle, 6, 38, 18, 18},
        {1003, L"button", L"Mo", kToggle, 26, 38, 18, 18},
        {1004, L"button", L"Tu", kToggle, 46, 38, 18, 18},
        {1005, L"button", L"We", kToggle, 66, 38, 18, 18},
        {1006, L"button", L"Th", kToggle, 86, 38, 18, 18},
        {1007, L"button", L"Fr", kToggle, 106, 38, 18, 18},
        {1009, L"button", L"Sa", kToggle, 126, 38, 18, 18},
        {1002, L"sysdatetimepick32", L"", kChild | WS_TABSTOP | DTS_TIMEFORMAT | DTS_RIGHTALIGN, 7,
         3, 88, 26},
        {1010, L"button", L"Mute On", kToggle, 101, 4, 40, 24},
        {-1, L"static", kExplanation, kChild | WS_GROUP | SS_LEFT, 2, 67, 146, 42}}},
      {IDD_SETUP,
       0x80C80048,
       0,
       150,
       167,
       L"Setup",
       8,
       L"MS Shell Dlg",
       {{1028, L"static", kFirstInstructions, 0x50020000, 7, 7, 136, 51},
        {1017, L"button", L"Train", 0x50010000, 37, 61, 73, 19},
        {-1, L"static", L"X:", 0x50020000, 7, 86, 10, 8},
        {1018, L"edit", L"", 0x50810880, 21, 86, 40, 14},
        {-1, L"static", L"Y:", 0x50020000, 76, 86, 10, 8},
        {1019, L"edit", L"", 0x50810880, 90, 86, 40, 14},
        {1021, L"button", L"Show Events", 0x40010000, 60, 146, 83, 14}}},
      {IDD_STATUS,
       0x80C80048,
       0,
       148,
       155,
       L"Quenmora",
       8,
       L"MS Shell Dlg",
       {{-1, L"static", L"Quenmora is Changing your device volume...", 0x50020000, 7, 7, 134, 22}}},
      {IDD_EVENTS,
       WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
       0,
       149,
       172,
       L"Dialog",
       8,
       L"MS Shell Dlg",
       {{1022, L"listbox", L"",
         kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT |
             LBS_NOINTEGRALHEIGHT,
         7, 7, 135, 130}}},
  };
  return templates;
}

class DialogTemplate : public testing::TestWithParam<Expected> {};

TEST_P(DialogTemplate, FrameAndControlsAreAsDesigned) {
  const Expected& want = GetParam();
  const Template got = Load(want.id);
  ASSERT_FALSE(got.title.empty()) << "template " << want.id << " missing";
  EXPECT_EQ(got.style, want.style) << std::hex << got.style << " want " << want.style;
  EXPECT_EQ(got.exStyle, want.exStyle) << std::hex << got.exStyle << " want " << want.exStyle;
  EXPECT_EQ(got.x, 0);
  EXPECT_EQ(got.y, 0);
  EXPECT_EQ(got.cx, want.cx);
  EXPECT_EQ(got.cy, want.cy);
  EXPECT_EQ(got.title, want.title);
  EXPECT_EQ(got.pointSize, want.pointSize);
  EXPECT_EQ(got.face, want.face);
  ASSERT_EQ(got.items.size(), want.items.size());
  for (size_t i = 0; i < want.items.size(); ++i) {
    const Item& g = got.items[i];
    const Item& w = want.items[i];
    SCOPED_TRACE("template " + std::to_string(want.id) + " item " + std::to_string(i));
    EXPECT_EQ(g.id, w.id);
    EXPECT_EQ(g.cls, w.cls);
    EXPECT_EQ(g.text, w.text);
    EXPECT_EQ(g.style, w.style) << std::hex << g.style << " want " << w.style;
    EXPECT_EQ(g.x, w.x);
    EXPECT_EQ(g.y, w.y);
    EXPECT_EQ(g.cx, w.cx);
    EXPECT_EQ(g.cy, w.cy);
  }
}

INSTANTIATE_TEST_SUITE_P(Program, DialogTemplate, testing::ValuesIn(Templates()),
                         [](const testing::TestParamInfo<Expected>& param) {
                           return "Template" + std::to_string(param.param.id);
                         });

TEST(ProgramResources, IconAndHighResolutionMarkArePresent) {
  EXPECT_NE(FindResource(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME), RT_GROUP_ICON), nullptr);
  HRSRC mark = FindResource(nullptr, L"HI_RES_AWARE", L"CEUX");
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, mark), 2u);
}

}  // namespace
