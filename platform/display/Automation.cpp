// The automation calls, on top of the window manager's device view.
#include "Automation.h"

#include "InputScript.h"

namespace cedev::automation {

namespace {

constexpr milliseconds kInputSettles{2000};

bool Settle(HWND target) {
  if (!target) return false;
  WaitInputHandled(target, kInputSettles);
  return true;
}

template <typename Done>
bool WaitUntil(milliseconds bound, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    const auto seen = DisplayGeneration();
    if (done()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    // Woken by any change; the slice bounds a change that raced the look above.
    WaitForChange(
        seen, std::min(milliseconds(50), std::chrono::duration_cast<milliseconds>(deadline - now)));
  }
}

}  // namespace

bool Tap(int x, int y) { return Settle(InjectTap(POINT{x, y})); }

bool TapText(std::wstring_view text) {
  auto at = FindShowingText(text);
  if (!at) return false;
  Settle(InjectTap(*at));
  return true;
}

bool TapOk() {
  HWND bar = FindWindowW(L"HHTaskBar", nullptr);
  RECT r;
  if (!bar || !GetWindowRect(bar, &r)) return false;
  Settle(InjectTap(POINT{r.left + kOkButton.x, r.top + kOkButton.y}));
  return true;
}

bool Press(const KeyStroke& key) {
  const DWORD thread = InjectKey(key);
  if (!thread) return false;
  WaitThreadIdle(thread, kInputSettles);
  return true;
}

bool Key(std::wstring_view name) {
  KeyStroke k;
  return KeyFromName(name, k) && Press(k);
}

void Type(std::wstring_view text) {
  for (wchar_t c : text) Press(KeyFromCharacter(c));
}

HWND FindByText(std::wstring_view text) { return FindWindowShowingText(text); }

bool IsShowing(std::wstring_view text) { return FindShowingText(text).has_value(); }

bool WaitForText(std::wstring_view text, milliseconds bound) {
  return WaitUntil(bound, [&] { return IsShowing(text); });
}

bool WaitGone(std::wstring_view text, milliseconds bound) {
  return WaitUntil(bound, [&] { return !IsShowing(text); });
}

std::wstring ScreenText() {
  WaitForPaints(milliseconds(2000));
  std::wstring out;
  for (const std::wstring& line : ScreenLines()) out += line + L'\n';
  return out;
}

std::wstring TreeText() { return WindowTreeText(); }

}  // namespace cedev::automation
