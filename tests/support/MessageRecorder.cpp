#include "MessageRecorder.h"

#include <algorithm>
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
  static const UINT kDesktopOnly[] = {
      WM_ACTIVATEAPP,
      WM_SETCURSOR,
      WM_MOUSEACTIVATE,
      0x0022,  // WM_CHILDACTIVATE
      0x0024,  // WM_GETMINMAXINFO
      0x003D,  // WM_GETOBJECT
      WM_WINDOWPOSCHANGING,
      WM_WINDOWPOSCHANGED,
      WM_GETICON,
      0x0083,  // WM_NCCALCSIZE
      0x0084,  // WM_NCHITTEST
      0x0085,  // WM_NCPAINT
      0x0086,  // WM_NCACTIVATE
      0x0088,  // WM_SYNCPAINT
      0x0090,  // WM_UAHDESTROYWINDOW
      0x0127,  // WM_CHANGEUISTATE
      0x0128,  // WM_UPDATEUISTATE
      0x0129,  // WM_QUERYUISTATE
      0x0131,  // WM_LBTRACKPOINT, a list box's click told to its parent
      0x0132,
      0x0133,
      0x0134,
      0x0135,
      0x0136,
      0x0137,
      0x0138,  // WM_CTLCOLOR...
      0x0210,  // WM_PARENTNOTIFY
      0x0281,  // WM_IME_SETCONTEXT
      0x0282,  // WM_IME_NOTIFY
      0x030F,  // WM_QUERYNEWPALETTE
      0x0311,  // WM_PALETTECHANGED
  };
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
  // Numbers for the desktop's own messages, which the device's headers do not name.
  static const struct {
    UINT message;
    const char* name;
  } kNames[] = {
      {WM_NULL, "WM_NULL"},
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_MOVE, "WM_MOVE"},
      {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_SETTEXT, "WM_SETTEXT"},
      {WM_GETTEXT, "WM_GETTEXT"},
      {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
      {WM_PAINT, "WM_PAINT"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_QUIT, "WM_QUIT"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
      {WM_CANCELMODE, "WM_CANCELMODE"},
      {WM_SETCURSOR, "WM_SETCURSOR"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
      {0x0022, "WM_CHILDACTIVATE"},
      {0x0024, "WM_GETMINMAXINFO"},
      {WM_NEXTDLGCTL, "WM_NEXTDLGCTL"},
      {WM_SETFONT, "WM_SETFONT"},
      {WM_GETFONT, "WM_GETFONT"},
      {0x003D, "WM_GETOBJECT"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
      {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_NOTIFY, "WM_NOTIFY"},
      {0x007C, "WM_STYLECHANGING"},
      {0x007D, "WM_STYLECHANGED"},
      {WM_GETICON, "WM_GETICON"},
      {WM_SETICON, "WM_SETICON"},
      {WM_NCCREATE, "WM_NCCREATE"},
      {WM_NCDESTROY, "WM_NCDESTROY"},
      {0x0083, "WM_NCCALCSIZE"},
      {0x0084, "WM_NCHITTEST"},
      {0x0085, "WM_NCPAINT"},
      {0x0086, "WM_NCACTIVATE"},
      {WM_GETDLGCODE, "WM_GETDLGCODE"},
      {0x0088, "WM_SYNCPAINT"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_INITDIALOG, "WM_INITDIALOG"},
      {WM_COMMAND, "WM_COMMAND"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
      {WM_TIMER, "WM_TIMER"},
      {0x0121, "WM_ENTERIDLE"},
      {0x0127, "WM_CHANGEUISTATE"},
      {0x0128, "WM_UPDATEUISTATE"},
      {0x0129, "WM_QUERYUISTATE"},
      {WM_CTLCOLORMSGBOX, "WM_CTLCOLORMSGBOX"},
      {WM_CTLCOLOREDIT, "WM_CTLCOLOREDIT"},
      {WM_CTLCOLORLISTBOX, "WM_CTLCOLORLISTBOX"},
      {WM_CTLCOLORBTN, "WM_CTLCOLORBTN"},
      {WM_CTLCOLORDLG, "WM_CTLCOLORDLG"},
      {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {0x0210, "WM_PARENTNOTIFY"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
      {0x0281, "WM_IME_SETCONTEXT"},
      {0x0282, "WM_IME_NOTIFY"},
      {0x030F, "WM_QUERYNEWPALETTE"},
  };
  for (const auto& n : kNames) {
    if (n.message == message) return n.name;
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
