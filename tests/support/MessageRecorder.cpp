#include "MessageRecorder.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <sstream>

namespace msgtest {

namespace {

// Messages that desktop Windows sends and the device never does: the non-client area, window
// position notices, the IME, palettes, keyboard cues, colour queries, parent notices. Under
// Windows (the conformance build) they are not recorded, as Wine's message tests skip theirs; on
// the device every message is, so one of these there would fail a comparison.
bool DesktopOnly(UINT message) {
#ifdef _WIN32
  // WM_ACTIVATEAPP, WM_SETCURSOR, WM_MOUSEACTIVATE, WM_CHILDACTIVATE, WM_GETMINMAXINFO,
  // WM_GETOBJECT, WM_WINDOWPOSCHANGING and ...CHANGED, WM_GETICON, WM_NCCALCSIZE, WM_NCHITTEST,
  // WM_NCPAINT, WM_NCACTIVATE, WM_SYNCPAINT, WM_UAHDESTROYWINDOW, WM_CHANGEUISTATE,
  // WM_UPDATEUISTATE, WM_QUERYUISTATE, WM_LBTRACKPOINT (a list box's click told to its parent),
  // the seven WM_CTLCOLOR..., WM_PARENTNOTIFY, WM_IME_SETCONTEXT, WM_IME_NOTIFY,
  // WM_QUERYNEWPALETTE, WM_PALETTECHANGED.
  static const UINT kDesktopOnly[] = {
      0x001C, 0x0020, 0x0021, 0x0022, 0x0024, 0x003D, 0x0046, 0x0047, 0x007F, 0x0083, 0x0084,
      0x0085, 0x0086, 0x0088, 0x0090, 0x0127, 0x0128, 0x0129, 0x0131, 0x0132, 0x0133, 0x0134,
      0x0135, 0x0136, 0x0137, 0x0138, 0x0210, 0x0281, 0x0282, 0x030F, 0x0311};
  return std::find(std::begin(kDesktopOnly), std::end(kDesktopOnly), message) !=
         std::end(kDesktopOnly);
#else
  (void)message;
  return false;
#endif
}

}  // namespace

void MessageRecorder::Record(const std::string& window, UINT message, WPARAM wParam,
                             LPARAM lParam) {
  if (DesktopOnly(message)) return;
  std::lock_guard lk(lock_);
  seen_.push_back(Recorded{window, message, wParam, lParam, GetCurrentThreadId()});
}

std::vector<Recorded> MessageRecorder::Take() {
  std::lock_guard lk(lock_);
  std::vector<Recorded> out;
  out.swap(seen_);
  return out;
}

size_t MessageRecorder::Count(const std::string& window, UINT message) {
  std::lock_guard lk(lock_);
  return static_cast<size_t>(std::count_if(seen_.begin(), seen_.end(), [&](const Recorded& r) {
    return r.window == window && r.message == message;
  }));
}

namespace {

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* info = reinterpret_cast<RecordedWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (info) {
    info->recorder->Record(info->tag, message, wParam, lParam);
    if (info->next) return CallWindowProcW(info->next, hwnd, message, wParam, lParam);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

const wchar_t* RecordingClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = L"MsgTestRecorder";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return L"MsgTestRecorder";
}

HWND CreateRecordedWindow(RecordedWindow& info, DWORD exStyle, DWORD style, int x, int y, int w,
                          int h, HWND parent, int id) {
  std::wstring title(info.tag.begin(), info.tag.end());
  return CreateWindowExW(exStyle, RecordingClass(), title.c_str(), style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, &info);
}

std::string MessageName(UINT message) {
  // Each message a test may meet, its number in hex before its name (the desktop's own too, which
  // the device's headers do not name).
  static const std::string kNames =
      " 0000 WM_NULL 0001 WM_CREATE 0002 WM_DESTROY 0003 WM_MOVE 0005 WM_SIZE"
      " 0006 WM_ACTIVATE 0007 WM_SETFOCUS 0008 WM_KILLFOCUS 000A WM_ENABLE 000C WM_SETTEXT"
      " 000D WM_GETTEXT 000E WM_GETTEXTLENGTH 000F WM_PAINT 0010 WM_CLOSE 0012 WM_QUIT"
      " 0014 WM_ERASEBKGND 0018 WM_SHOWWINDOW 001C WM_ACTIVATEAPP 001F WM_CANCELMODE"
      " 0020 WM_SETCURSOR 0021 WM_MOUSEACTIVATE 0022 WM_CHILDACTIVATE 0024 WM_GETMINMAXINFO"
      " 0028 WM_NEXTDLGCTL 0030 WM_SETFONT 0031 WM_GETFONT 003D WM_GETOBJECT"
      " 0046 WM_WINDOWPOSCHANGING 0047 WM_WINDOWPOSCHANGED 004E WM_NOTIFY"
      " 007C WM_STYLECHANGING 007D WM_STYLECHANGED 007F WM_GETICON 0080 WM_SETICON"
      " 0081 WM_NCCREATE 0082 WM_NCDESTROY 0083 WM_NCCALCSIZE 0084 WM_NCHITTEST"
      " 0085 WM_NCPAINT 0086 WM_NCACTIVATE 0087 WM_GETDLGCODE 0088 WM_SYNCPAINT"
      " 0100 WM_KEYDOWN 0101 WM_KEYUP 0102 WM_CHAR 0110 WM_INITDIALOG 0111 WM_COMMAND"
      " 0112 WM_SYSCOMMAND 0113 WM_TIMER 0121 WM_ENTERIDLE 0127 WM_CHANGEUISTATE"
      " 0128 WM_UPDATEUISTATE 0129 WM_QUERYUISTATE 0131 WM_LBTRACKPOINT 0132 WM_CTLCOLORMSGBOX"
      " 0133 WM_CTLCOLOREDIT 0134 WM_CTLCOLORLISTBOX 0135 WM_CTLCOLORBTN 0136 WM_CTLCOLORDLG"
      " 0137 WM_CTLCOLORSCROLLBAR 0138 WM_CTLCOLORSTATIC 0200 WM_MOUSEMOVE 0201 WM_LBUTTONDOWN "
      "0202 WM_LBUTTONUP"
      " 0210 WM_PARENTNOTIFY 0215 WM_CAPTURECHANGED 0281 WM_IME_SETCONTEXT 0282 WM_IME_NOTIFY"
      " 030F WM_QUERYNEWPALETTE ";
  char key[8];
  std::snprintf(key, sizeof key, " %04X ", message);
  if (const auto at = kNames.find(key); at != std::string::npos) {
    const auto name = at + 6;
    return kNames.substr(name, kNames.find(' ', name) - name);
  }
  std::ostringstream s;
  if (message >= WM_USER && message < WM_APP) {
    s << "WM_USER+" << message - WM_USER;
  } else {
    s << "0x" << std::hex << message;
  }
  return s.str();
}

Expected Optional(Expected entry) {
  entry.optional = true;
  return entry;
}

namespace {

std::string Line(const Recorded& r) {
  std::ostringstream s;
  s << r.window << " " << MessageName(r.message) << " w=" << r.wParam << " l=" << r.lParam;
  return s.str();
}

std::string Line(const Expected& e) {
  std::ostringstream s;
  s << (e.optional ? "(" : "") << e.window << " " << MessageName(e.message);
  if (e.wParam) s << " w=" << *e.wParam;
  if (e.lParam) s << " l=" << *e.lParam;
  s << (e.optional ? ")" : "");
  return s.str();
}

bool Matches(const Expected& e, const Recorded& r) {
  return r.window == e.window && r.message == e.message && (!e.wParam || *e.wParam == r.wParam) &&
         (!e.lParam || *e.lParam == r.lParam);
}

}  // namespace

std::string Describe(const std::vector<Recorded>& seen) {
  std::ostringstream s;
  for (const Recorded& r : seen) s << "  " << Line(r) << "\n";
  return s.str();
}

std::string Describe(const std::vector<Expected>& wanted) {
  std::ostringstream s;
  for (const Expected& e : wanted) s << "  " << Line(e) << "\n";
  return s.str();
}

::testing::AssertionResult SequenceIs(const std::vector<Recorded>& seen,
                                      const std::vector<Expected>& wanted) {
  // The cheapest alignment of the two, from each pair of positions to the end: a match costs
  // nothing, nor does an optional entry left out; a missing entry or an extra message costs one.
  // The sequences agree when the whole costs nothing.
  const std::size_t ne = wanted.size();
  const std::size_t ns = seen.size();
  std::vector<std::vector<std::size_t>> cost(ne + 1, std::vector<std::size_t>(ns + 1, 0));
  for (std::size_t i = ne + 1; i-- > 0;) {
    for (std::size_t j = ns + 1; j-- > 0;) {
      if (i == ne && j == ns) continue;
      std::size_t best = static_cast<std::size_t>(-1);
      if (i < ne && j < ns && Matches(wanted[i], seen[j])) best = cost[i + 1][j + 1];
      if (i < ne) best = std::min(best, cost[i + 1][j] + (wanted[i].optional ? 0 : 1));
      if (j < ns) best = std::min(best, cost[i][j + 1] + 1);
      cost[i][j] = best;
    }
  }
  if (cost[0][0] == 0) return ::testing::AssertionSuccess();
  // The alignment line by line: expected on the left, actual on the right.
  std::ostringstream out;
  out << "the sequences differ (" << cost[0][0] << " missing or unexpected):\n";
  auto row = [&](const std::string& left, const std::string& right, const char* mark) {
    out << "  " << std::left << std::setw(44) << left << " | " << std::setw(44) << right << mark
        << "\n";
  };
  row("expected", "actual", "");
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < ne || j < ns) {
    if (i < ne && j < ns && Matches(wanted[i], seen[j]) && cost[i][j] == cost[i + 1][j + 1]) {
      row(Line(wanted[i++]), Line(seen[j++]), "");
    } else if (i < ne && cost[i][j] == cost[i + 1][j] + (wanted[i].optional ? 0 : 1)) {
      row(Line(wanted[i]), "", wanted[i].optional ? "" : "  <- missing");
      ++i;
    } else {
      row("", Line(seen[j++]), "  <- unexpected");
    }
  }
  return ::testing::AssertionFailure() << out.str();
}

}  // namespace msgtest
