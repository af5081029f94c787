// The Pocket PC shell library: its initialisation, full-screen dialogs and the menu bar.
#pragma once

#include "windows.h"

// The shell library's initialisation; programs call it once at start-up.
BOOL SHInitExtraControls();

// SHInitDialog: make a dialog fit the shell (full-screen between the task bar and the menu
// bar, an "ok" button on the task bar, the input panel down).
#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020

typedef struct tagSHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

BOOL SHInitDialog(PSHINITDLGINFO pshidi);

// SHCreateMenuBar: the menu bar at the foot of the screen.
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010

typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;
  COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi);

// The input panel.
#define SIPF_OFF 0x00000000
#define SIPF_ON 0x00000001
BOOL SHSipPreference(HWND hwnd, int st);
#define SIP_UP 0
#define SIP_DOWN 1
