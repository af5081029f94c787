// Debug messages and their zones (dbgapi.h of Windows CE). A module names up to 16 zones in its
// dpCurSettings and registers them; the device then sets the zone mask from its debug settings,
// so a message of a zone that is off costs one test of a bit and is never formatted.
#pragma once

#include "windef.h"

typedef struct _DBGPARAM {
  WCHAR lpszName[32];         // the module's name
  WCHAR rglpszZones[16][32];  // the zones' names
  ULONG ulZoneMask;           // bit n: zone n is on
} DBGPARAM, *LPDBGPARAM;

// Defined by each module that uses zones.
extern DBGPARAM dpCurSettings;

#define DEBUGZONE(n) (dpCurSettings.ulZoneMask & (0x00000001UL << (n)))

// The device sets lpdbgparam->ulZoneMask: every zone on while the device keeps debug output
// (its setting `trace` is `yes`), none otherwise. Until a module registers, its mask is what
// it was built with. FALSE for a null lpdbgparam.
BOOL RegisterDbgZones(HMODULE hMod, LPDBGPARAM lpdbgparam);

// Formats as wsprintf does and writes the text to the debug output, as OutputDebugString.
void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

// printf_exp is the parenthesised argument list of NKDbgPrintfW, formatted only when cond holds.
#define RETAILMSG(cond, printf_exp) ((void)((cond) ? (NKDbgPrintfW printf_exp), 1 : 0))
#ifdef DEBUG
#define DEBUGMSG(cond, printf_exp) RETAILMSG(cond, printf_exp)
#define DEBUGREGISTER(hMod) RegisterDbgZones(hMod, &dpCurSettings)
#else
#define DEBUGMSG(cond, printf_exp) ((void)0)
#define DEBUGREGISTER(hMod) ((void)0)
#endif
