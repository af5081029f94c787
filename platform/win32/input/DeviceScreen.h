// What the input scripts' reader needs of the screen in the Windows build: the keys a script
// names. The picture and the tree are read from the windows themselves (WindowAutomation.h).
#pragma once

#include <windows.h>

namespace cedev {

struct KeyStroke {
  UINT vk = 0;
  wchar_t character = 0;  // what TranslateMessage makes of it; 0 for none
  bool shift = false;
};

}  // namespace cedev
