#include "ItemDlg.h"

#include <commctrl.h>

#include "ScheduleItem.h"

namespace {

// The day toggles in the order the mask is rebuilt, Sunday first. Their ids are not in day
// order.
struct DayToggle {
  int id;
  int weekday;
};
constexpr DayToggle kDayToggles[] = {{IDC_SU, 0}, {IDC_MO, 1}, {IDC_TU, 2}, {IDC_WE, 3},
                                     {IDC_TH, 4}, {IDC_FR, 5}, {IDC_SA, 6}};

// The picker's size in tenths of a point while the editor is open.
constexpr int kPickerPointSize = 120;

// The picker holds a date as well; only its time of day is the item's.
void DDX_TimeOfDay(CDataExchange* pDX, int nIDC, TimeOfDay& value) {
  HWND hWndPicker = pDX->PrepareCtrl(nIDC);
  SYSTEMTIME st;
  if (pDX->m_bSaveAndValidate) {
    if (DateTime_GetSystemtime(hWndPicker, &st) == GDT_VALID) value = TimeOfDay::FromSystemTime(st);
  } else {
    GetLocalTime(&st);
    st.wHour = static_cast<WORD>(value.hour());
    st.wMinute = static_cast<WORD>(value.minute());
    st.wSecond = static_cast<WORD>(value.second());
    st.wMilliseconds = 0;
    // An invalid time (possible from a file) is refused and leaves the picker as it was.
    static_cast<void>(DateTime_SetSystemtime(hWndPicker, GDT_VALID, &st));
  }
}

// From the toggles the mask is built anew, so bits they do not show are dropped.
void DDX_DayToggles(CDataExchange* pDX, BYTE& days) {
  if (pDX->m_bSaveAndValidate) days = 0;
  for (const DayToggle& toggle : kDayToggles) {
    int checked = (days & DayBit(toggle.weekday)) != 0 ? 1 : 0;
    DDX_Check(pDX, toggle.id, checked);
    if (pDX->m_bSaveAndValidate && checked != 0) days |= DayBit(toggle.weekday);
  }
}

}  // namespace

TimeOfDay CurrentMinute() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return TimeOfDay(now.wHour, now.wMinute, 0);
}

IMPLEMENT_DYNAMIC(CItemDlg, CDialog)

CItemDlg::CItemDlg(CWnd* pParent) : CDialog(IDD, pParent), m_time(CurrentMinute()) {}

CItemDlg::~CItemDlg() = default;

void CItemDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  // A mute value outside 0..2 (possible from a file) shows as released.
  DDX_Check(pDX, IDC_MUTEON, m_nMuteOn);
  DDX_TimeOfDay(pDX, IDC_TIME, m_time);
  DDX_DayToggles(pDX, m_nDays);
}

BEGIN_MESSAGE_MAP(CItemDlg, CDialog)
END_MESSAGE_MAP()

BOOL CItemDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pFont = std::make_unique<CFont>();
  m_pFont->CreatePointFont(kPickerPointSize, _T("Microsoft Sans Serif"));
  CWnd* pPicker = GetDlgItem(IDC_TIME);
  m_pOldFont = pPicker->GetFont();
  pPicker->SetFont(m_pFont.get(), TRUE);
  return TRUE;
}

void CItemDlg::OnOK() {
  CWnd* pPicker = GetDlgItem(IDC_TIME);
  if (m_pOldFont != nullptr && pPicker != nullptr && ::IsWindow(pPicker->GetSafeHwnd())) {
    pPicker->SetFont(m_pOldFont, TRUE);
  }
  CDialog::OnOK();
}
