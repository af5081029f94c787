// The dialog manager's own entry points for the rest of the device: the system classes, and a
// dialog made from a template already read (the message box builds one in memory).
//
// Dialog units. A dialog's base units are the average width and the height of its font's
// characters as the screen draws them. The screen draws every font, whatever its point size,
// one character to a 4 x 8 pixel cell, so the base units are 4 x 8 for every template: one
// horizontal dialog unit (a quarter of a character) is 1 pixel and one vertical unit (an eighth
// of a line) is 1 pixel. A control sized in dialog units for N characters (4N units) therefore
// holds exactly N cells, as it holds N characters of its font on the device; a 10-unit line
// spacing stays one row apart. The template's font is still made (its point size turned into
// a pixel height for the screen's 96 dpi) and given to the dialog and its controls.
#pragma once

#include "DialogTemplate.h"
#include "windows.h"

namespace cedev {

constexpr int kDialogBaseUnitX = 4;
constexpr int kDialogBaseUnitY = 8;
constexpr int kScreenDpi = 96;

// "Dialog" and the control classes. Idempotent, any thread.
void RegisterSystemClasses();

// The pixel height (negative: the character height) of a font of `points` on this screen.
LONG FontHeightForPoints(int points);

// A modeless dialog from `layout`, as CreateDialogIndirectParam makes one from a template.
HWND CreateDialogFromLayout(const DialogLayout& layout, HINSTANCE instance, HWND parent,
                            DLGPROC proc, LPARAM param);

// DialogBoxIndirectParam's work for a layout: create, run the modal loop until EndDialog, destroy.
// `foreground` also makes the dialog the foreground window once shown.
INT_PTR RunDialogFromLayout(const DialogLayout& layout, HINSTANCE instance, HWND parent,
                            DLGPROC proc, LPARAM param, bool foreground = false);

// Moves the focus to `control` the way the dialog manager does: an edit field gets its whole
// text selected.
void FocusDialogControl(HWND control);

// Moves the focus to `control` as the dialog's keyboard (Tab, arrows, WM_NEXTDLGCTL) does, and
// the default push button with it: a push button given the focus so becomes the default, and
// the dialog's DM_GETDEFID button is the default again when the focus leaves push buttons. A
// push button given the focus by SetFocus alone is not the default, and Enter there is not it.
void NavigateDialogFocus(HWND dlg, HWND control);

}  // namespace cedev
