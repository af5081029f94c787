// The shell library's initialisation on desktop Windows: the shell's extra controls are the
// common controls' date-time picker, which desktop Windows registers only when asked.
#include <aygshell.h>
#include <commctrl.h>

BOOL SHInitExtraControls() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  return InitCommonControlsEx(&icc);
}
