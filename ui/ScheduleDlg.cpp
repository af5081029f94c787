#include "ScheduleDlg.h"

#include <memory>

#include "ItemDlg.h"
#include "ItemSummary.h"
#include "SetupDlg.h"
#include "WakeUpRegistration.h"

namespace {

const TCHAR kTooFewItems[] =
    _T("You must have at least 2 items more than 2 minutes apart from each other.");
const TCHAR kConfirmDelete[] = _T("Are you sure you wish to delete this item?");

std::unique_ptr<ScheduleItem> ItemFromEditor(const CItemDlg& editor) {
  return std::make_unique<ScheduleItem>(editor.m_nDays, editor.m_time, editor.m_nMuteOn);
}

}  // namespace

bool ScheduleCanBeCommitted(const Schedule& schedule) { return schedule.Count() != 1; }

CScheduleDlg::CScheduleDlg(Schedule& schedule, CWnd* pParent)
    : CDialog(IDD, pParent),
      m_hIcon(::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_MAINFRAME))),
      m_schedule(schedule) {}

CScheduleDlg::~CScheduleDlg() = default;

void CScheduleDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LIST, m_list);
}

BEGIN_MESSAGE_MAP(CScheduleDlg, CDialog)
ON_BN_CLICKED(IDC_NEW, &CScheduleDlg::OnNew)
ON_BN_CLICKED(IDC_EDIT, &CScheduleDlg::OnEdit)
ON_BN_CLICKED(IDC_DEL, &CScheduleDlg::OnDel)
ON_BN_CLICKED(IDC_SETUP, &CScheduleDlg::OnSetup)
END_MESSAGE_MAP()

BOOL CScheduleDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  EnlargeList();
  // Training is reached from start-up; the button stays wired but out of sight.
  GetDlgItem(IDC_SETUP)->ShowWindow(SW_HIDE);
  FillList();
  return TRUE;
}

void CScheduleDlg::EnlargeList() {
  CRect rcDialog;
  CRect rcList;
  GetWindowRect(&rcDialog);
  m_list.GetWindowRect(&rcList);
  // Screen coordinates on purpose: the list's left edge and the dialog's bottom edge are taken
  // as they lie on the screen, which on the full-screen dialog leaves a margin at each side.
  m_list.MoveWindow(rcList.left - rcDialog.left, rcList.top - rcDialog.top,
                    rcDialog.right - 2 * rcList.left,
                    rcDialog.bottom - 2 * (rcList.top - rcDialog.top), TRUE);
}

void CScheduleDlg::FillList() {
  m_list.ResetContent();
  for (int i = 0; i < m_schedule.Count(); ++i)
    m_list.AddString(FormatItemSummary(m_schedule.Item(i)));
}

void CScheduleDlg::OnNew() {
  CItemDlg editor;
  if (editor.DoModal() != IDOK) return;
  m_schedule.Append(ItemFromEditor(editor));
  FillList();
}

void CScheduleDlg::OnEdit() {
  const int row = m_list.GetCurSel();
  if (row == LB_ERR) return;
  const ScheduleItem& item = m_schedule.Item(row);
  CItemDlg editor;
  editor.m_nDays = item.days;
  editor.m_time = item.time;
  editor.m_nMuteOn = item.muteOn;
  if (editor.DoModal() != IDOK) return;
  m_schedule.Replace(row, ItemFromEditor(editor));
  FillList();
}

void CScheduleDlg::OnDel() {
  const int row = m_list.GetCurSel();
  if (row == LB_ERR) return;
  if (AfxMessageBox(kConfirmDelete, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) return;
  m_schedule.Remove(row);
  FillList();
}

void CScheduleDlg::OnSetup() {
  // The new tap point reaches the file when this dialog ends with OK.
  TrainTapPoint(m_schedule.tapPoint);
}

void CScheduleDlg::OnOK() {
  if (!ScheduleCanBeCommitted(m_schedule)) {
    MessageBox(kTooFewItems, nullptr, MB_OK);
    return;
  }
  ScheduleNextChange(m_schedule);
  // Nothing to read back from the controls: the edits are in the schedule already.
  EndDialog(IDOK);
}
