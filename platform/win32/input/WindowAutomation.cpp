#include "WindowAutomation.h"

#include <vector>

#include "InputIdle.h"

namespace cewin {
namespace {

// A question to a control of another thread: answered once that thread takes its messages, so
// bounded; a thread that does not answer in time (asleep) shows nothing that needs asking.
LRESULT Ask(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT failed) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_BLOCK, 2000, &result)) return failed;
  return static_cast<LRESULT>(result);
}

std::wstring ClassOf(HWND hwnd);

// A window's text is read without a message, since its thread may be busy or asleep and a
// script must still see what it shows; but an edit control keeps its text to itself, and is
// asked, or, while its thread sleeps, taken from the last text it was given (a person's typing
// needs the thread awake, so nothing else can have changed it).
std::wstring TextOf(HWND hwnd) {
  wchar_t text[1024] = {};
  LRESULT got;
  if (lstrcmpiW(ClassOf(hwnd).c_str(), L"Edit") == 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                             2000, &answer)) {
      return LastTextGiven(hwnd).value_or(L"");
    }
    got = static_cast<LRESULT>(answer);
  } else {
    got = InternalGetWindowText(hwnd, text, 1024);
  }
  return std::wstring(text, static_cast<std::size_t>(got > 0 ? got : 0));
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

bool IsListBox(HWND hwnd) { return lstrcmpiW(ClassOf(hwnd).c_str(), L"ListBox") == 0; }

// The top-level windows of this process, from the top of the z-order.
std::vector<HWND> TopLevelWindows() {
  struct Search {
    DWORD process;
    std::vector<HWND> found;
  } search{GetCurrentProcessId(), {}};
  EnumWindows(
      [](HWND hwnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        // Windows gives each thread with windows an input-method window of its own; it is
        // neither the program's nor the shell's.
        wchar_t name[8] = {};
        GetClassNameW(hwnd, name, 8);
        if (process == s->process && lstrcmpW(name, L"IME") != 0) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A window's children, from the top of their z-order.
std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  return children;
}

std::wstring ListRow(HWND list, int row) {
  const LRESULT n = Ask(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0, LB_ERR);
  if (n == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const LRESULT got = Ask(list, LB_GETTEXT, static_cast<WPARAM>(row),
                          reinterpret_cast<LPARAM>(text.data()), LB_ERR);
  text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// The centre of a visible row of the list with that text.
std::optional<POINT> ListRowAt(HWND list, std::wstring_view text) {
  RECT client;
  GetClientRect(list, &client);
  const LRESULT count = Ask(list, LB_GETCOUNT, 0, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    RECT r;
    if (Ask(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r), LB_ERR) ==
        LB_ERR)
      continue;
    RECT shown;
    if (!IntersectRect(&shown, &r, &client)) continue;
    if (ListRow(list, static_cast<int>(i)) != text) continue;
    POINT p = Centre(shown);
    ClientToScreen(list, &p);
    return p;
  }
  return std::nullopt;
}

std::optional<POINT> FindIn(HWND hwnd, std::wstring_view text) {
  if (!IsWindowVisible(hwnd)) return std::nullopt;
  if (ShownText(TextOf(hwnd)) == text) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return Centre(r);
  }
  if (IsListBox(hwnd)) {
    if (auto row = ListRowAt(hwnd, text)) return row;
  }
  for (HWND child : Children(hwnd)) {
    if (auto p = FindIn(child, text)) return p;
  }
  return std::nullopt;
}

// The window holding the capture on any thread of this process.
HWND CaptureHolder() {
  for (HWND top : TopLevelWindows()) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndCapture) {
      return info.hwndCapture;
    }
  }
  return nullptr;
}

std::wstring Quoted(std::wstring_view text) {
  std::wstring q = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') q += L'\\';
    q += c;
  }
  return q + L"\"";
}

void TreeLines(HWND hwnd, int depth, HWND focus, std::wstring& out) {
  RECT r;
  GetWindowRect(hwnd, &r);
  out += std::wstring(static_cast<std::size_t>(depth) * 2, L' ') + ClassOf(hwnd) + L" " +
         Quoted(ShownText(TextOf(hwnd))) + L" (" + std::to_wstring(r.left) + L"," +
         std::to_wstring(r.top) + L")-(" + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom) + L")";
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  if (!(style & WS_VISIBLE)) out += L" hidden";
  if (style & WS_DISABLED) out += L" disabled";
  if (hwnd == focus) out += L" focused";
  if (lstrcmpiW(ClassOf(hwnd).c_str(), L"Button") == 0 &&
      Ask(hwnd, BM_GETCHECK, 0, 0, BST_UNCHECKED) == BST_CHECKED)
    out += L" checked";
  out += L"\n";
  if (IsListBox(hwnd)) {
    const LRESULT count = Ask(hwnd, LB_GETCOUNT, 0, 0, 0);
    const LRESULT selected = Ask(hwnd, LB_GETCURSEL, 0, 0, LB_ERR);
    for (LRESULT i = 0; i < count; ++i) {
      out += std::wstring(static_cast<std::size_t>(depth + 1) * 2, L' ') + L"row " +
             Quoted(ListRow(hwnd, static_cast<int>(i))) + (i == selected ? L" selected" : L"") +
             L"\n";
    }
  }
  for (HWND child : Children(hwnd)) TreeLines(child, depth + 1, focus, out);
}

}  // namespace

std::wstring ShownText(std::wstring_view text) {
  std::wstring shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

HWND PostTap(POINT screen) {
  HWND target = CaptureHolder();
  if (target == nullptr) {
    target = WindowFromPoint(screen);
    DWORD process = 0;
    if (target != nullptr) GetWindowThreadProcessId(target, &process);
    if (process != GetCurrentProcessId()) return nullptr;
  }
  POINT client = screen;
  ScreenToClient(target, &client);
  const LPARAM at = MAKELPARAM(client.x, client.y);
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(target, WM_LBUTTONUP, 0, at);
  return target;
}

DWORD PostKey(const cedev::KeyStroke& key) {
  HWND fg = GetForegroundWindow();
  DWORD process = 0;
  const DWORD thread = fg != nullptr ? GetWindowThreadProcessId(fg, &process) : 0;
  if (thread == 0 || process != GetCurrentProcessId()) return 0;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(thread, &info);
  HWND target = info.hwndFocus != nullptr ? info.hwndFocus
                : info.hwndActive != nullptr ? info.hwndActive
                                             : fg;
  const UINT scan = MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (1LL << 30) | (1LL << 31);
  if (key.vk == 0xE7) {  // a character without a key of its own comes as the character alone
    PostMessageW(target, WM_CHAR, key.character, down);
    return thread;
  }
  PostMessageW(target, WM_KEYDOWN, key.vk, down);
  PostMessageW(target, WM_KEYUP, key.vk, up);
  return thread;
}

std::optional<POINT> FindShowingText(std::wstring_view text) {
  for (HWND top : TopLevelWindows()) {
    if (auto p = FindIn(top, text)) return p;
  }
  return std::nullopt;
}

std::wstring WindowTreeText() {
  HWND fg = GetForegroundWindow();
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (fg != nullptr) GetGUIThreadInfo(GetWindowThreadProcessId(fg, nullptr), &info);
  std::wstring out;
  for (HWND top : TopLevelWindows()) TreeLines(top, 0, info.hwndFocus, out);
  return out;
}

}  // namespace cewin
