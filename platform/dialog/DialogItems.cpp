// A dialog's controls by id: text, integers, check marks, messages; and dialog units.
#include <cwctype>
#include <string>

#include "DialogManager.h"

namespace {
constexpr DWORD kErrorControlIdNotFound = 1421;  // ERROR_CONTROL_ID_NOT_FOUND
}  // namespace

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
  // The id must be the control's own. A DIALOG template keeps ids in a WORD, so its IDC_STATIC
  // (-1) labels are 0xFFFF and -1 does not find them. Ids are the device's 32-bit LONGs: a
  // DIALOGEX id of 0xFFFFFFFF is -1.
  for (HWND c = GetWindow(hDlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (static_cast<LONG>(GetWindowLongW(c, GWL_ID)) == nIDDlgItem) return c;
  }
  SetLastError(kErrorControlIdNotFound);
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) { return static_cast<int>(GetWindowLongW(hWnd, GWL_ID)); }

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item != nullptr ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item != nullptr && SetWindowTextW(item, lpString) ? TRUE : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (item == nullptr) {
    if (lpString != nullptr && cchMax > 0) lpString[0] = L'\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(item, lpString, cchMax));
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
  std::wstring text = bSigned ? std::to_wstring(static_cast<int>(uValue)) : std::to_wstring(uValue);
  return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

// Blanks around the number are allowed; anything else, or a value out of range, is not.
UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
  if (lpTranslated != nullptr) *lpTranslated = FALSE;
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (item == nullptr) return 0;
  wchar_t buffer[64] = {};
  GetWindowTextW(item, buffer, 64);
  const wchar_t* p = buffer;
  while (*p == L' ' || *p == L'\t') ++p;
  bool negative = false;
  if (*p == L'-' && bSigned) {
    negative = true;
    ++p;
  } else if (*p == L'+') {
    ++p;
  }
  if (!(*p >= L'0' && *p <= L'9')) return 0;
  unsigned long long value = 0;
  while (*p >= L'0' && *p <= L'9') {
    value = value * 10 + static_cast<unsigned>(*p - L'0');
    if (value > 0xFFFFFFFFull) return 0;
    ++p;
  }
  // Translation stops at the first character that is not a digit, as the C library's strtol
  // does: "12a" is 12.
  if (bSigned) {
    if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull) return 0;
    if (lpTranslated != nullptr) *lpTranslated = TRUE;
    long long signedValue =
        negative ? -static_cast<long long>(value) : static_cast<long long>(value);
    return static_cast<UINT>(static_cast<int>(signedValue));
  }
  if (lpTranslated != nullptr) *lpTranslated = TRUE;
  return static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  HWND item = GetDlgItem(hDlg, nIDButton);
  if (item == nullptr) return FALSE;
  SendMessageW(item, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  return static_cast<UINT>(SendDlgItemMessageW(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
  for (int id = nIDFirstButton; id <= nIDLastButton; ++id) {
    if (HWND item = GetDlgItem(hDlg, id))
      SendMessageW(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
  if (lpRect == nullptr || !IsWindow(hDlg)) return FALSE;
  auto mapX = [](LONG v) {
    return static_cast<LONG>((static_cast<long long>(v) * cedev::kDialogBaseUnitX) / 4);
  };
  auto mapY = [](LONG v) {
    return static_cast<LONG>((static_cast<long long>(v) * cedev::kDialogBaseUnitY) / 8);
  };
  *lpRect = RECT{mapX(lpRect->left), mapY(lpRect->top), mapX(lpRect->right), mapY(lpRect->bottom)};
  return TRUE;
}

LONG GetDialogBaseUnits() { return MAKELONG(cedev::kDialogBaseUnitX, cedev::kDialogBaseUnitY); }
