// What the shell's tests share: bounded waits that keep the calling thread's messages moving,
// and reading a window's children.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace shelltest {

// Handles the calling thread's messages until `done` holds or the bound passes; whether it held.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds bound = std::chrono::milliseconds(3000)) {
  const auto end = std::chrono::steady_clock::now() + bound;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    Sleep(5);
  }
}

inline std::wstring TextOf(HWND hwnd) {
  wchar_t text[260] = {};
  GetWindowTextW(hwnd, text, 260);
  return text;
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

inline std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  return children;
}

// The first descendant, at any depth, whose text is `text`.
inline HWND FindDescendant(HWND parent, const std::wstring& text) {
  for (HWND c : ChildrenOf(parent)) {
    if (TextOf(c) == text) return c;
    if (HWND deeper = FindDescendant(c, text)) return deeper;
  }
  return nullptr;
}

inline LPARAM Point(int x, int y) { return MAKELONG(x, y); }

// A press and release sent to a window, as the program's switch sends them.
inline void SendTap(HWND hwnd, LPARAM at) {
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

// A dialog template in memory: no font, no items, the given style and title.
inline std::vector<DWORD> EmptyDialogTemplate(DWORD style, const wchar_t* title) {
  std::vector<WORD> w;
  w.push_back(static_cast<WORD>(style & 0xffff));
  w.push_back(static_cast<WORD>(style >> 16));
  w.push_back(0);
  w.push_back(0);
  w.push_back(0);  // no items
  for (int i = 0; i < 4; ++i) w.push_back(i < 2 ? 0 : 100);
  w.push_back(0);  // menu
  w.push_back(0);  // class
  for (const wchar_t* p = title; *p != 0; ++p) w.push_back(static_cast<WORD>(*p));
  w.push_back(0);
  std::vector<DWORD> aligned((w.size() + 1) / 2, 0);
  for (size_t i = 0; i < w.size(); ++i) {
    aligned[i / 2] |= static_cast<DWORD>(w[i]) << (16 * (i % 2));
  }
  return aligned;
}

}  // namespace shelltest
