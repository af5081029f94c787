// The item editor: the days, the time of day and the mute flag of one schedule item.
#pragma once

#include <memory>

#include <afxwin.h>

#include "TimeOfDay.h"
#include "resource.h"

class CItemDlg : public CDialog {
  DECLARE_DYNAMIC(CItemDlg)

 public:
  enum { IDD = IDD_ITEM };

  // Starts with no day, the current hour and minute with second 0, and muting off.
  explicit CItemDlg(CWnd* pParent = nullptr);
  ~CItemDlg() override;

  // Bit d for weekday d, 0 = Sunday; bit 7 is never set here.
  BYTE m_nDays = 0;
  TimeOfDay m_time;
  // 1: the item turns muting on; 0: off.
  int m_nMuteOn = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  DECLARE_MESSAGE_MAP()

 private:
  // The enlarged font the time picker shows while the editor is open, and the picker's own,
  // given back on OK.
  std::unique_ptr<CFont> m_pFont;
  CFont* m_pOldFont = nullptr;
};

// The time of day now, to the minute: the editor's default.
TimeOfDay CurrentMinute();
