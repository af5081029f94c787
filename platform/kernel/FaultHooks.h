// How the kernel's Win32 file services consult the file faults of Faults.h. Private to the
// kernel.
#pragma once

#include <string_view>

#include <windef.h>

#include "Faults.h"

namespace cekernel {

struct FaultAction {
  enum class Kind {
    none,   // go ahead as asked
    fail,   // fail with `error`, doing nothing
    store,  // a write: store only `bytes` bytes, then fail with `error` when it is not 0
  };
  Kind kind = Kind::none;
  DWORD error = 0;
  DWORD bytes = 0;
};

// Reads CEDEVICE_FAULTS once, on the first call; a bad value ends the process with status 2.
// Every Win32 file service calls it first.
void LoadEnvironmentFaults();

// Counts one operation of `op` on `path` (and, for a rename, `otherPath`) against the faults and
// says what the operation must do. `size` is the byte count a write asks for.
FaultAction CheckFileFault(cedev::FileOp op, std::wstring_view path,
                           std::wstring_view otherPath = {}, DWORD size = 0);

}  // namespace cekernel
