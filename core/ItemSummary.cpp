#include "ItemSummary.h"

CString FormatItemSummary(const ScheduleItem& item) {
  static const LPCTSTR kDayTexts[7] = {_T("Su "), _T("Mo "), _T("Tu "), _T("We "),
                                       _T("Th "), _T("Fr "), _T("Sa ")};
  LPCTSTR day[7];
  for (int d = 0; d < 7; ++d) day[d] = (item.days & DayBit(d)) != 0 ? kDayTexts[d] : _T("");
  CString text;
  text.Format(_T("Mute %s at %02d:%02d:%02d %s%s%s%s%s%s%s"),
              item.muteOn != 0 ? _T("On") : _T("Off"), item.time.hour(), item.time.minute(),
              item.time.second(), day[0], day[1], day[2], day[3], day[4], day[5], day[6]);
  return text;
}
