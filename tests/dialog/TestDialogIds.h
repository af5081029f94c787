// Ids of the test resource script's dialogs and controls.
#pragma once

#define IDD_FORM 101
#define IDD_NOTABSTOP 102
#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_LOUD 1003
#define IDC_ROWS 1004
#define IDC_WHEN 1005
#define IDC_APPLY 1006
#define IDC_NOTE 1007
#define IDC_STATIC (-1)
