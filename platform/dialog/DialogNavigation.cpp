// A dialog's keyboard: IsDialogMessage with Tab and Shift+Tab through the tab stops, arrows
// through a group, Enter for the default push button (DM_GETDEFID, or the push button the
// keyboard moved to, which is the default while it has the focus) or IDOK, Escape for IDCANCEL;
// a control keeps the keys its WM_GETDLGCODE asks for. Space reaches the focused button, which
// presses itself.
#include <vector>

#include "DialogManager.h"

namespace {

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }

// The control's own styles decide, not its dialog's visibility: a dialog still hidden in
// WM_INITDIALOG has tab stops all the same.
bool Usable(HWND hwnd) { return (Style(hwnd) & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE; }

std::vector<HWND> Children(HWND dlg) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    children.push_back(c);
  return children;
}

// The dialog's direct child that holds `hwnd` (a control may have children of its own).
HWND ControlOf(HWND dlg, HWND hwnd) {
  while (hwnd != nullptr && GetParent(hwnd) != dlg) hwnd = GetParent(hwnd);
  return hwnd;
}

bool ShiftDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

void Command(HWND dlg, int id) {
  HWND button = GetDlgItem(dlg, id);
  if (button != nullptr && !IsWindowEnabled(button)) return;
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

int EnterCommand(HWND dlg, HWND focus) {
  if (focus != nullptr && IsChild(dlg, focus) &&
      (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
    return GetDlgCtrlID(focus);
  }
  LRESULT def = SendMessageW(dlg, DM_GETDEFID, 0, 0);
  return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
}

}  // namespace

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  std::vector<HWND> children = Children(hDlg);
  int n = static_cast<int>(children.size());
  if (n == 0) return nullptr;
  HWND from = hCtl != nullptr ? ControlOf(hDlg, hCtl) : nullptr;
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (children[static_cast<std::size_t>(i)] == from) at = i;
  }
  int step = bPrevious ? -1 : 1;
  int start = at >= 0 ? at : (bPrevious ? 0 : n - 1);
  for (int k = 1; k <= n; ++k) {
    HWND c = children[static_cast<std::size_t>(((start + step * k) % n + n) % n)];
    if ((Style(c) & WS_TABSTOP) && Usable(c)) return c;
  }
  return hCtl;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  std::vector<HWND> children = Children(hDlg);
  HWND from = hCtl != nullptr ? ControlOf(hDlg, hCtl) : nullptr;
  if (children.empty()) return nullptr;
  if (from == nullptr) from = children.front();
  std::size_t at = 0;
  while (at < children.size() && children[at] != from) ++at;
  if (at == children.size()) return nullptr;
  // The group runs from the WS_GROUP control at or before `from` to the next WS_GROUP control.
  std::size_t first = at;
  while (first > 0 && !(Style(children[first]) & WS_GROUP)) --first;
  std::size_t end = at + 1;
  while (end < children.size() && !(Style(children[end]) & WS_GROUP)) ++end;
  std::size_t size = end - first;
  for (std::size_t k = 1; k <= size; ++k) {
    std::size_t offset =
        bPrevious ? (at - first + size - k % size) % size : (at - first + k) % size;
    HWND c = children[first + offset];
    if (Usable(c)) return c;
  }
  return hCtl;
}

BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
  if (lpMsg == nullptr || hDlg == nullptr) return FALSE;
  if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
  HWND target = lpMsg->hwnd;
  if (lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_CHAR) {
    LRESULT code =
        SendMessageW(target, WM_GETDLGCODE, lpMsg->wParam, reinterpret_cast<LPARAM>(lpMsg));
    WPARAM key = lpMsg->wParam;
    if (!(code & DLGC_WANTMESSAGE)) {
      if (lpMsg->message == WM_KEYDOWN) {
        switch (key) {
          case VK_TAB:
            if (code & DLGC_WANTTAB) break;
            {
              HWND next =
                  GetNextDlgTabItem(hDlg, GetFocus() == hDlg ? nullptr : GetFocus(), ShiftDown());
              if (next != nullptr) cedev::NavigateDialogFocus(hDlg, next);
            }
            return TRUE;
          case VK_LEFT:
          case VK_UP:
          case VK_RIGHT:
          case VK_DOWN:
            if (code & DLGC_WANTARROWS) break;
            {
              HWND focus = GetFocus();
              if (focus == nullptr || focus == hDlg) return TRUE;
              HWND next = GetNextDlgGroupItem(hDlg, focus, key == VK_LEFT || key == VK_UP);
              if (next != nullptr && next != ControlOf(hDlg, focus)) {
                cedev::NavigateDialogFocus(hDlg, next);
                if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
                  SendMessageW(next, BM_CLICK, 0, 0);
              }
            }
            return TRUE;
          case VK_RETURN:
            Command(hDlg, EnterCommand(hDlg, GetFocus()));
            return TRUE;
          case VK_ESCAPE:
            Command(hDlg, IDCANCEL);
            return TRUE;
          default:
            break;
        }
      } else if (key == L'\t' || key == L'\r' || key == 0x1B) {
        // The characters of keys the dialog took are not the control's.
        if (!((key == L'\t' && (code & DLGC_WANTTAB)))) return TRUE;
      }
    }
  }
  TranslateMessage(lpMsg);
  DispatchMessageW(lpMsg);
  return TRUE;
}
