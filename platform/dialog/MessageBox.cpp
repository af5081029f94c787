// MessageBox: a "Dialog" made in memory, centred on the screen, with the text and the buttons
// the flags ask for, run modally on the calling thread (any thread: a box without an owner
// from the shell's thread works the same). It returns the id of the button that ended it.
// Escape is Cancel when the box has one, and OK when OK is its only button.
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "ControlSupport.h"
#include "DialogManager.h"

namespace {

constexpr int kScreenColumns = 60;
constexpr int kScreenRows = 40;
constexpr int kTextColumns = 50;  // the widest a line of the message may be

struct BoxButton {
  int id;
  const wchar_t* label;
};

std::vector<BoxButton> ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, L"OK"}, {IDCANCEL, L"Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, L"Abort"}, {IDRETRY, L"Retry"}, {IDIGNORE, L"Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, L"Yes"}, {IDNO, L"No"}, {IDCANCEL, L"Cancel"}};
    case MB_YESNO:
      return {{IDYES, L"Yes"}, {IDNO, L"No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, L"Retry"}, {IDCANCEL, L"Cancel"}};
    default:
      return {{IDOK, L"OK"}};
  }
}

struct Box {
  std::vector<BoxButton> buttons;
  int defaultId = IDOK;
  std::wstring caption;
  bool Has(int id) const {
    return std::any_of(buttons.begin(), buttons.end(),
                       [id](const BoxButton& b) { return b.id == id; });
  }
};

void PaintFrame(HWND hwnd, const Box& box) {
  cedev::Painter paint(hwnd);
  paint.Frame(paint.Client());
  if (!box.caption.empty()) paint.Text(2 * cedev::kCellWidth, 0, L" " + box.caption + L" ");
}

INT_PTR CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongW(hwnd, DWL_USER, lParam);
      const Box* box = reinterpret_cast<const Box*>(lParam);
      cedev::FocusDialogControl(GetDlgItem(hwnd, box->defaultId));
      return FALSE;
    }
    case WM_COMMAND: {
      const Box* box = reinterpret_cast<const Box*>(GetWindowLongW(hwnd, DWL_USER));
      int id = LOWORD(wParam);
      if (box == nullptr) return FALSE;
      if (box->Has(id)) {
        EndDialog(hwnd, id);
      } else if (id == IDCANCEL && box->buttons.size() == 1 && box->buttons.front().id == IDOK) {
        EndDialog(hwnd, IDOK);
      }
      return TRUE;
    }
    case WM_PAINT: {
      const Box* box = reinterpret_cast<const Box*>(GetWindowLongW(hwnd, DWL_USER));
      if (box == nullptr) return FALSE;
      PaintFrame(hwnd, *box);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

int Longest(const std::vector<std::wstring>& lines) {
  std::size_t most = 0;
  for (const std::wstring& line : lines) most = std::max(most, line.size());
  return static_cast<int>(most);
}

}  // namespace

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  using cedev::kCellHeight;
  using cedev::kCellWidth;
  Box box;
  box.buttons = ButtonsFor(uType);
  std::size_t defaultIndex = (uType & MB_DEFMASK) == MB_DEFBUTTON3   ? 2
                             : (uType & MB_DEFMASK) == MB_DEFBUTTON2 ? 1
                                                                     : 0;
  box.defaultId = box.buttons[std::min(defaultIndex, box.buttons.size() - 1)].id;
  box.caption = lpCaption != nullptr ? lpCaption : L"Error";
  std::wstring text = lpText != nullptr ? lpText : L"";

  // The text's own lines, wrapped to at most kTextColumns.
  int textColumns = std::clamp(Longest(cedev::WrapWords(text, kTextColumns)), 1, kTextColumns);
  std::vector<std::wstring> lines = cedev::WrapWords(text, textColumns);
  int lineCount = std::max<int>(1, static_cast<int>(lines.size()));
  int buttonColumns = -1;
  for (const BoxButton& b : box.buttons)
    buttonColumns += static_cast<int>(std::wcslen(b.label)) + 4 + 1;
  int inner = std::max({textColumns, buttonColumns, static_cast<int>(box.caption.size()) + 4});
  int columns = std::min(kScreenColumns, inner + 4);
  int rows = std::min(kScreenRows, lineCount + 5);

  // Dialog units are pixels on this screen (base units 4 x 8), so the layout is laid out in pixels.
  cedev::DialogLayout layout;
  layout.style = WS_POPUP | DS_ABSALIGN | DS_MODALFRAME;
  layout.exStyle = (uType & MB_TOPMOST) ? WS_EX_TOPMOST : 0;
  layout.x = static_cast<short>((kScreenColumns - columns) / 2 * kCellWidth);
  layout.y = static_cast<short>((kScreenRows - rows) / 2 * kCellHeight);
  layout.cx = static_cast<short>(columns * kCellWidth);
  layout.cy = static_cast<short>(rows * kCellHeight);
  layout.title = box.caption;

  cedev::DialogItemLayout message;
  message.style = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;  // the text as given, & and all
  message.x = static_cast<short>(2 * kCellWidth);
  message.y = static_cast<short>(2 * kCellHeight);
  message.cx = static_cast<short>(textColumns * kCellWidth);
  message.cy = static_cast<short>(lineCount * kCellHeight);
  message.id = 0xFFFF;
  message.className = L"Static";
  message.title = text;
  layout.items.push_back(message);

  int x = (columns - buttonColumns) / 2 * kCellWidth;
  bool first = true;
  for (const BoxButton& b : box.buttons) {
    cedev::DialogItemLayout button;
    int width = (static_cast<int>(std::wcslen(b.label)) + 4) * kCellWidth;
    button.style = WS_VISIBLE | WS_TABSTOP | (first ? WS_GROUP : 0) |
                   (b.id == box.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    button.x = static_cast<short>(x);
    button.y = static_cast<short>((lineCount + 3) * kCellHeight);
    button.cx = static_cast<short>(width);
    button.cy = static_cast<short>(kCellHeight);
    button.id = static_cast<DWORD>(b.id);
    button.className = L"Button";
    button.title = b.label;
    layout.items.push_back(button);
    x += width + kCellWidth;
    first = false;
  }

  HWND previous = GetForegroundWindow();
  INT_PTR result = cedev::RunDialogFromLayout(layout, nullptr, hWnd, BoxProc,
                                              reinterpret_cast<LPARAM>(&box), true);
  // A box with no owner hands the foreground back to whoever had it.
  if (hWnd == nullptr && previous != nullptr && IsWindow(previous) &&
      GetForegroundWindow() == nullptr) {
    SetForegroundWindow(previous);
  }
  return result <= 0 ? 0 : static_cast<int>(result);
}
