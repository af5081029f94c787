// Ids of the test resource script's dialogs and controls.
#pragma once

#define IDD_FORM 101
#define IDD_NOTABSTOP 102
#define IDD_EXTENDED 103
#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_LOUD 1003
#define IDC_ROWS 1004
#define IDC_WHEN 1005
#define IDC_APPLY 1006
#define IDC_NOTE 1007
#define IDC_ON 1008
#define IDC_OFF 1009
#define IDC_STATIC (-1)
