// The main schedule dialog: the items of the schedule, one row each, with New, Edit and Del.
// It edits the schedule in place; its OK registers the next change.
#pragma once

#include <afxwin.h>

#include "Schedule.h"
#include "resource.h"

class CScheduleDlg : public CDialog {
 public:
  enum { IDD = IDD_QUENMORA_DIALOG };

  explicit CScheduleDlg(Schedule& schedule, CWnd* pParent = nullptr);
  ~CScheduleDlg() override;

  // Row i shows item i of the schedule.
  CListBox m_list;
  HICON m_hIcon;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  afx_msg void OnNew();
  afx_msg void OnEdit();
  afx_msg void OnDel();
  afx_msg void OnSetup();
  DECLARE_MESSAGE_MAP()

 private:
  void FillList();
  // Stretches the list box over the dialog, keeping its offset from the dialog's corner.
  void EnlargeList();

  Schedule& m_schedule;
};

// The OK check: a schedule of exactly one item cannot alternate between two changes.
bool ScheduleCanBeCommitted(const Schedule& schedule);
