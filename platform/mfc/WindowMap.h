// Which framework object stands for which window. Attached objects are known to every thread
// (a window's messages may arrive on its owner's thread while another thread attached it);
// temporary objects made by FromHandle are the calling thread's own and live as long as it.
#pragma once

#include <afxwin.h>

namespace afx {

CWnd* LookupPermanent(HWND hWnd);
// False when the window already has an object.
bool AddPermanent(HWND hWnd, CWnd* pWnd);
void RemovePermanent(HWND hWnd, const CWnd* pWnd);
CWnd* Temporary(HWND hWnd);

// The message the calling thread is handling now, for CWnd::Default.
struct CurrentMessage {
  HWND hWnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
class MessageScope {
 public:
  MessageScope(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  ~MessageScope();
  MessageScope(const MessageScope&) = delete;
  MessageScope& operator=(const MessageScope&) = delete;

 private:
  CurrentMessage saved_;
};
const CurrentMessage& Current();

}  // namespace afx
