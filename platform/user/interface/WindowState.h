// State a window shows that the device's own threads (input, screen and tree dumps) must read
// without asking the window: its owner thread may be asleep, so a SendMessage could wait for
// seconds. Controls publish it whenever it changes; readers take a copy.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "windef.h"

namespace cedev {

struct PublishedState {
  int checked = -1;                // -1: not a check/radio control; else 0 or 1
  std::vector<std::wstring> rows;  // a list box's rows, in order
  int topRow = 0;                  // first row shown
  int rowHeight = 0;               // px of one row
  int selectedRow = -1;            // -1: none
  std::wstring shown;              // what the window shows when that is not its text
};

// Replaces what `hwnd` publishes. Any thread; ignored for a window that does not exist.
void PublishWindowState(HWND hwnd, const PublishedState& state);

// Changes what `hwnd` publishes in place, under the lock its readers take: a small change to a
// large state (one more list row) then costs that change, not a copy of the whole. `change` gets
// the last published state, or a default one. Any thread; `change` must not call the window
// manager. Ignored for a window that does not exist.
void ChangePublishedWindowState(HWND hwnd, const std::function<void(PublishedState&)>& change);

// What `hwnd` last published, or nothing if it never did (or no longer exists).
std::optional<PublishedState> PublishedWindowState(HWND hwnd);

}  // namespace cedev
