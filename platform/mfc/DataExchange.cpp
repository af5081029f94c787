// Data exchange between a dialog's members and its controls.
#include <cwchar>
#include <cstdio>
#include <cstdint>
#include <cwctype>

#include <afxwin.h>

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
  if (control == nullptr) {
    std::fprintf(stderr, "data exchange: the dialog has no control %d\n", nIDC);
    AfxThrowUserException();
  }
  m_idLastControl = nIDC;
  m_bEditLastControl = FALSE;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND control = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  if (!m_bSaveAndValidate) AfxThrowUserException();
  HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl);
  if (control != nullptr) {
    ::SetFocus(control);
    if (m_bEditLastControl) ::SendMessageW(control, EM_SETSEL, 0, -1);
  }
  AfxThrowUserException();
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!rControl.SubclassWindow(control)) {
    std::fprintf(stderr, "data exchange: control %d cannot be bound\n", nIDC);
    AfxThrowUserException();
  }
}

namespace {

CString ControlText(HWND control) {
  CString text;
  const int length = ::GetWindowTextLengthW(control);
  ::GetWindowTextW(control, text.GetBuffer(length), length + 1);
  text.ReleaseBuffer();
  return text;
}

// The framework's integer reading: blanks, an optional sign, decimal digits, blanks, nothing
// else. A value beyond the type's range is clamped, as the C library's conversion does.
bool ScanInteger(LPCTSTR text, bool allowMinus, long long low, long long high, long long& value) {
  const wchar_t* p = text;
  while (std::iswspace(static_cast<wint_t>(*p))) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') {
    negative = *p == L'-';
    if (negative && !allowMinus) return false;
    ++p;
  }
  if (*p < L'0' || *p > L'9') return false;
  long long v = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    if (v <= high) v = v * 10 + (*p - L'0');
  }
  while (std::iswspace(static_cast<wint_t>(*p))) ++p;
  if (*p != 0) return false;
  if (negative) v = -v;
  if (v < low) v = low;
  if (v > high) v = high;
  value = v;
  return true;
}

template <class T>
void ExchangeInteger(CDataExchange* pDX, int nIDC, T& value, LPCTSTR format, bool isSigned,
                     long long low, long long high, LPCTSTR prompt) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ScanInteger(ControlText(control), isSigned, low, high, v)) {
      AfxMessageBox(prompt, MB_OK | MB_ICONEXCLAMATION);
      pDX->Fail();
    }
    value = static_cast<T>(v);
  } else {
    wchar_t text[32];
    if (isSigned) {
      wsprintfW(text, format, static_cast<int>(value));
    } else {
      wsprintfW(text, format, static_cast<unsigned>(value));
    }
    ::SetWindowTextW(control, text);
  }
}

constexpr wchar_t kParseInt[] = L"Please enter an integer.";
constexpr wchar_t kParseUInt[] = L"Please enter a positive integer.";
constexpr wchar_t kParseByte[] = L"Please enter an integer between 0 and 255.";

}  // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  ExchangeInteger(pDX, nIDC, value, L"%d", true, INT32_MIN, INT32_MAX, kParseInt);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
  ExchangeInteger(pDX, nIDC, value, L"%ld", true, INT32_MIN, INT32_MAX, kParseInt);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  ExchangeInteger(pDX, nIDC, value, L"%u", false, 0, UINT32_MAX, kParseUInt);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    // A byte is refused beyond 255 rather than clamped.
    if (!ScanInteger(ControlText(control), false, 0, 1000, v) || v > 255) {
      AfxMessageBox(kParseByte, MB_OK | MB_ICONEXCLAMATION);
      pDX->Fail();
    }
    value = static_cast<BYTE>(v);
  } else {
    wchar_t text[8];
    wsprintfW(text, L"%u", static_cast<unsigned>(value));
    ::SetWindowTextW(control, text);
  }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = ControlText(control);
  } else {
    ::SetWindowTextW(control, value);
  }
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
  } else {
    if (value < 0 || value > 2) value = 0;
    ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void AFXAPI DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    index = static_cast<int>(::SendMessageW(control, LB_GETCURSEL, 0, 0));
  } else {
    ::SendMessageW(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}
