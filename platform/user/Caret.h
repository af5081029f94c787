// The caret: one a thread (CreateCaret replaces the thread's own), shown in the window it was made
// for once ShowCaret has undone the hiding it starts with. Its state is kept under the window
// manager's lock; the picture shows it as a mark on the cell it stands in.
#pragma once

#include <vector>

#include "ScreenCell.h"
#include "UserState.h"

namespace cedev::user {

// Marks the cell of each caret that shows: in a visible window, in a cell that window has.
void MarkCaretsLocked(WindowManager& wm, std::vector<ScreenCell>& cells);

}  // namespace cedev::user
