// What the dialog manager keeps for each dialog beside its DWL_* window longs.
#pragma once

#include <atomic>

#include "ControlSupport.h"
#include "windows.h"

namespace cedev {

struct DialogState {
  std::atomic<bool> ended{false};  // EndDialog was called (from any thread)
  std::atomic<INT_PTR> result{0};
  std::atomic<bool> modal{false};  // read by EndDialog, which any thread may call
  HFONT font = nullptr;            // WM_GETFONT
  HFONT ownedFont = nullptr;       // made from the template; deleted with the dialog
  WORD defId = 0;                  // DM_GETDEFID
  HWND savedFocus = nullptr;       // the focus when the dialog was last deactivated or hidden
};

WindowStates<DialogState>& DialogStates();

}  // namespace cedev
