// State a window shows that the device's own threads (input, screen and tree dumps) must read
// without asking the window: its owner thread may be asleep, so a SendMessage could wait for
// seconds. Controls publish it whenever it changes; readers take a copy.
#pragma once

#include <cstddef>
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

// One row inserted into a list that publishes its rows, with the list's scroll and selection
// after it.
struct InsertedRow {
  std::size_t at = 0;
  std::wstring text;
  std::size_t rows = 0;  // how many the list has with it
  int topRow = 0;
  int rowHeight = 0;
  int selectedRow = -1;
};

// Adds the row to what `hwnd` publishes, in place: a list filled a row at a time then costs each
// row, not a copy of them all. False, with nothing changed, when what it published before had
// not one row fewer: then publish the whole. Any thread; ignored for a window that does not exist.
bool PublishInsertedRow(HWND hwnd, const InsertedRow& row);

// What `hwnd` last published, or nothing if it never did (or no longer exists).
std::optional<PublishedState> PublishedWindowState(HWND hwnd);

}  // namespace cedev
