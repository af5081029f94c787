#include "ControlClasses.h"

#include <mutex>

#include "ControlProcs.h"
#include "commctrl.h"

namespace cedev {

void RegisterControlClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct Entry {
      const wchar_t* name;
      WNDPROC proc;
    };
    const Entry entries[] = {
        {kButtonClass, ButtonWindowProc()},
        {kStaticClass, StaticWindowProc()},
        {kEditClass, EditWindowProc()},
        {kListBoxClass, ListBoxWindowProc()},
        {kDateTimePickerClass, DateTimePickerWindowProc()},
    };
    for (const Entry& entry : entries) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = entry.proc;
      wc.lpszClassName = entry.name;
      RegisterClassW(&wc);
    }
  });
}

}  // namespace cedev

// The common controls live in the same library as the system's own on this device, so both
// calls only make sure every class exists.
void InitCommonControls() { cedev::RegisterControlClasses(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
  if (picce == nullptr || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  cedev::RegisterControlClasses();
  return TRUE;
}
