// Dialog templates read into plain values: DLGTEMPLATE with its DLGITEMTEMPLATEs, and the
// extended form (DLGTEMPLATEEX, marked by 0xFFFF after version 1) that DIALOGEX scripts make.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "windows.h"

namespace cedev {

struct DialogItemLayout {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  DWORD id = 0;
  std::wstring className;  // predefined ordinals already turned into their class names
  std::wstring title;      // an ordinal title (an icon id) is kept as "#n"
  std::vector<BYTE> creationData;
};

struct DialogLayout {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::wstring className;              // empty: "Dialog"
  std::wstring title;
  bool hasFont = false;
  WORD pointSize = 0;
  WORD weight = FW_NORMAL;
  bool italic = false;
  std::wstring face;
  std::vector<DialogItemLayout> items;
};

struct ParsedDialog {
  DialogLayout layout;
  std::string error;  // empty when the template was read whole
};

// Reads the template at `bytes`; `size` bounds the reading (a template handed in by address
// alone has no known size: pass SIZE_MAX).
ParsedDialog ParseDialogTemplate(const BYTE* bytes, std::size_t size);

// The class of a predefined control ordinal (0x80 "Button" ... 0x85 "ComboBox"), or empty.
std::wstring PredefinedClassName(WORD ordinal);

}  // namespace cedev
