// Resource ids of Quenmora: dialog templates, the icon and the controls they hold.
#pragma once

// Dialog templates and the application icon.
#define IDD_QUENMORA_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_ITEM 129
#define IDD_SETUP 131
#define IDD_STATUS 132
#define IDD_EVENTS 133

// Main schedule dialog (102).
#define IDC_NEW 1000
#define IDC_LIST 1001
#define IDC_EDIT 1002
#define IDC_DEL 1012
#define IDC_SETUP 1013

// Item editor (129). The day toggles do not follow the day order: Sunday is 1008, Saturday
// 1009, Monday to Friday 1003 to 1007.
#define IDC_TIME 1002
#define IDC_MO 1003
#define IDC_TU 1004
#define IDC_WE 1005
#define IDC_TH 1006
#define IDC_FR 1007
#define IDC_SU 1008
#define IDC_SA 1009
#define IDC_MUTEON 1010

// Volume-icon training (131) and the scheduled-events viewer (133).
#define IDC_TRAIN 1017
#define IDC_X 1018
#define IDC_Y 1019
#define IDC_SHOWEVENTS 1021
#define IDC_EVENTLIST 1022
#define IDC_INSTRUCTIONS 1028

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
