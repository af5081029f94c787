// Class "Dialog", DefDlgProc, dialogs made from templates, the modal loop and EndDialog.
#include "DialogManager.h"

#include <atomic>
#include <optional>

#include "ControlClasses.h"
#include "ControlSupport.h"
#include "DialogState.h"

namespace cedev {
namespace {

constexpr const wchar_t* kDialogClass = L"Dialog";

int DialogUnitsToPixels(int units, int base, int divisor) {
  long long scaled = static_cast<long long>(units) * base;
  return static_cast<int>(scaled >= 0 ? (scaled + divisor / 2) / divisor
                                      : -((-scaled + divisor / 2) / divisor));
}

RECT LayoutRect(short x, short y, short cx, short cy) {
  int left = DialogUnitsToPixels(x, kDialogBaseUnitX, 4);
  int top = DialogUnitsToPixels(y, kDialogBaseUnitY, 8);
  return RECT{left, top, left + DialogUnitsToPixels(cx, kDialogBaseUnitX, 4),
              top + DialogUnitsToPixels(cy, kDialogBaseUnitY, 8)};
}

HWND TopLevelOf(HWND hwnd) {
  while (hwnd != nullptr && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) {
    HWND parent = GetParent(hwnd);
    if (parent == nullptr) break;
    hwnd = parent;
  }
  return hwnd;
}

HFONT MakeTemplateFont(const DialogLayout& layout) {
  LOGFONTW lf{};
  lf.lfHeight = FontHeightForPoints(layout.pointSize);
  lf.lfWeight = layout.weight == 0 ? FW_NORMAL : layout.weight;
  lf.lfItalic = layout.italic ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::wstring face = layout.face.substr(0, LF_FACESIZE - 1);
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

// The messages whose result a dialog procedure returns itself rather than in DWL_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
  switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case 0x002E:  // WM_VKEYTOITEM
    case 0x002F:  // WM_CHARTOITEM
    case 0x0037:  // WM_QUERYDRAGICON
    case 0x0039:  // WM_COMPAREITEM
      return true;
    default:
      return false;
  }
}

// The focus goes back to the control that had it when the dialog was last deactivated or
// hidden, or else to the first tab stop; the saved control serves once. On activation only when
// the focus is not already in the dialog; when the dialog itself is given the focus, always (it
// keeps it only when it has no control to give).
void RestoreFocus(HWND dlg, DialogState& state, bool dialogGotFocus) {
  HWND saved = state.savedFocus;
  state.savedFocus = nullptr;
  HWND focus = GetFocus();
  if (!dialogGotFocus && focus != nullptr && (focus == dlg || IsChild(dlg, focus))) return;
  HWND target = saved;
  if (target == nullptr || !IsWindow(target) || !IsChild(dlg, target))
    target = GetNextDlgTabItem(dlg, nullptr, FALSE);
  if (target != nullptr && target != dlg && target != focus) FocusDialogControl(target);
}

void SaveFocus(HWND dlg, DialogState& state) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dlg, focus)) state.savedFocus = focus;
}

void SetDefaultId(HWND dlg, DialogState& state, WORD id) {
  HWND old = state.defId != 0 ? GetDlgItem(dlg, state.defId) : nullptr;
  HWND now = id != 0 ? GetDlgItem(dlg, id) : nullptr;
  if (old != nullptr && old != now &&
      (SendMessageW(old, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
    SendMessageW(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
  if (now != nullptr && (SendMessageW(now, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) {
    SendMessageW(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
  state.defId = id;
}

LRESULT DefaultDialogMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<DialogState> state = DialogStates().Find(dlg);
  if (state == nullptr) return DefWindowProcW(dlg, msg, wParam, lParam);
  switch (msg) {
    case WM_CLOSE:
      PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
      return 0;
    case WM_SETFOCUS:
      // An ending dialog keeps the focus EndDialog gave it.
      if (!state->ended.load()) RestoreFocus(dlg, *state, true);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        SaveFocus(dlg, *state);
      } else if (state->savedFocus != nullptr) {
        RestoreFocus(dlg, *state, false);
      }
      return 0;
    case WM_SHOWWINDOW:
      if (wParam == FALSE) SaveFocus(dlg, *state);
      return DefWindowProcW(dlg, msg, wParam, lParam);
    case WM_KILLFOCUS:
      return 0;
    case DM_GETDEFID:
      return state->defId != 0 ? MAKELRESULT(state->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      SetDefaultId(dlg, *state, static_cast<WORD>(wParam));
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND target = LOWORD(lParam) != 0
                        ? reinterpret_cast<HWND>(wParam)
                        : GetNextDlgTabItem(dlg, GetFocus(), wParam != 0 ? TRUE : FALSE);
      if (target != nullptr) NavigateDialogFocus(dlg, target);
      return 0;
    }
    case WM_SETFONT:
      state->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state->font);
    default:
      return DefWindowProcW(dlg, msg, wParam, lParam);
  }
}

struct CreateOptions {
  bool modal = false;
};

HWND CreateDialogInternal(const DialogLayout& layout, HINSTANCE instance, HWND parent, DLGPROC proc,
                          LPARAM param, CreateOptions options) {
  RegisterSystemClasses();
  DWORD style = layout.style;
  bool child = (style & WS_CHILD) != 0;
  HWND owner = child ? parent : TopLevelOf(parent);
  RECT r = LayoutRect(layout.x, layout.y, layout.cx, layout.cy);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  int x = r.left;
  int y = r.top;
  if (style & DS_CENTER) {
    x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  } else if (!child && owner != nullptr && !(style & DS_ABSALIGN)) {
    POINT origin{x, y};
    ClientToScreen(owner, &origin);
    x = origin.x;
    y = origin.y;
  }
  DWORD exStyle = layout.exStyle;
  if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  const wchar_t* className = layout.className.empty() ? kDialogClass : layout.className.c_str();
  HWND dlg = CreateWindowExW(exStyle, className, layout.title.c_str(),
                             style & ~static_cast<DWORD>(WS_VISIBLE), x, y, width, height, owner,
                             nullptr, instance, nullptr);
  if (dlg == nullptr) return nullptr;
  std::shared_ptr<DialogState> state = DialogStates().Find(dlg);
  if (state == nullptr) state = DialogStates().Create(dlg);  // a class of the program's own
  state->modal = options.modal;
  SetWindowLongW(dlg, DWL_MSGRESULT, 0);
  SetWindowLongW(dlg, DWL_USER, 0);
  SetWindowLongW(dlg, DWL_DLGPROC, reinterpret_cast<LONG_PTR>(proc));

  if (layout.hasFont) {
    state->ownedFont = MakeTemplateFont(layout);
    state->font = state->ownedFont;
    SendMessageW(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    state = DialogStates().Find(dlg);
    if (state == nullptr) return nullptr;
  }
  HFONT font = state->font;
  WORD defaultId = 0;
  for (const DialogItemLayout& item : layout.items) {
    RECT ir = LayoutRect(item.x, item.y, item.cx, item.cy);
    DWORD itemStyle = item.style | WS_CHILD;
    void* data = item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data());
    HWND control = CreateWindowExW(
        item.exStyle | WS_EX_NOPARENTNOTIFY, item.className.c_str(), item.title.c_str(), itemStyle,
        ir.left, ir.top, ir.right - ir.left, ir.bottom - ir.top, dlg,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, data);
    if (control == nullptr) {
      if (style & 0x10L) continue;  // DS_NOFAILCREATE
      DestroyWindow(dlg);
      return nullptr;
    }
    if (font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (defaultId == 0 && (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
      defaultId = static_cast<WORD>(item.id);
    }
  }
  if ((state = DialogStates().Find(dlg)) == nullptr) return nullptr;
  state->defId = defaultId;

  HWND firstTab = GetNextDlgTabItem(dlg, nullptr, FALSE);
  LRESULT focusWanted = SendMessageW(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), param);
  if (!IsWindow(dlg)) return nullptr;
  state = DialogStates().Find(dlg);
  bool ended = state != nullptr && state->ended.load();
  if (focusWanted != 0 && !ended) {
    HWND target = GetNextDlgTabItem(dlg, nullptr, FALSE);
    if (target != nullptr) {
      FocusDialogControl(target);
    } else {
      SetFocus(dlg);
    }
  }
  if ((style & WS_VISIBLE) && !ended && IsWindow(dlg)) ShowWindow(dlg, SW_SHOWNORMAL);
  return IsWindow(dlg) ? dlg : nullptr;
}

bool Ended(HWND dlg) {
  std::shared_ptr<DialogState> state = DialogStates().Find(dlg);
  return state == nullptr || state->ended.load();
}

INT_PTR RunModal(HWND dlg, bool foreground) {
  HWND owner = GetWindow(dlg, GW_OWNER);
  bool disabledOwner = false;
  if (owner != nullptr && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    disabledOwner = true;
  }
  if (!Ended(dlg) && !IsWindowVisible(dlg)) ShowWindow(dlg, SW_SHOWNORMAL);
  if (foreground && !Ended(dlg)) SetForegroundWindow(dlg);
  bool quit = false;
  WPARAM quitCode = 0;
  while (IsWindow(dlg) && !Ended(dlg)) {
    MSG msg{};
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  INT_PTR result = 0;
  if (std::shared_ptr<DialogState> state = DialogStates().Find(dlg)) result = state->result.load();
  // The owner is usable again before the dialog goes, so that activation can return to it.
  if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
  bool wasActive = GetActiveWindow() == dlg;
  if (IsWindow(dlg)) DestroyWindow(dlg);
  if (owner != nullptr && IsWindow(owner) && (wasActive || GetActiveWindow() == nullptr))
    SetActiveWindow(owner);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return result;
}

ParsedDialog ReadResourceTemplate(HINSTANCE instance, LPCWSTR name) {
  HRSRC found = FindResourceW(instance, name, RT_DIALOG);
  if (found == nullptr) return ParsedDialog{{}, "no such dialog template"};
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  return ParseDialogTemplate(bytes, SizeofResource(instance, found));
}

}  // namespace

WindowStates<DialogState>& DialogStates() {
  static WindowStates<DialogState> states;
  return states;
}

LONG FontHeightForPoints(int points) {
  return -static_cast<LONG>((static_cast<long long>(points) * kScreenDpi + 36) / 72);
}

// The system's classes exist before the program runs, as on the device, for every program
// that has the dialog manager in it.
[[maybe_unused]] const bool kSystemClassesAtStart = (RegisterSystemClasses(), true);

void RegisterSystemClasses() {
  RegisterControlClasses();
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kDialogClass;
    RegisterClassW(&wc);
  });
}

void FocusDialogControl(HWND control) {
  if (control == nullptr) return;
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    SendMessageW(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

void NavigateDialogFocus(HWND dlg, HWND control) {
  if (control == nullptr) return;
  FocusDialogControl(control);
  // A push button with the focus is the default; away from push buttons the dialog's own
  // default (DM_GETDEFID) is again.
  const LRESULT pushButton = DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON;
  HWND wanted = nullptr;
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & pushButton) {
    wanted = control;
  } else if (std::shared_ptr<DialogState> state = DialogStates().Find(dlg);
             state != nullptr && state->defId != 0) {
    wanted = GetDlgItem(dlg, state->defId);
  }
  for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (c != wanted && (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
      SendMessageW(c, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
  }
  if (wanted != nullptr && (SendMessageW(wanted, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) {
    SendMessageW(wanted, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
}

HWND CreateDialogFromLayout(const DialogLayout& layout, HINSTANCE instance, HWND parent,
                            DLGPROC proc, LPARAM param) {
  return CreateDialogInternal(layout, instance, parent, proc, param, CreateOptions{false});
}

INT_PTR RunDialogFromLayout(const DialogLayout& layout, HINSTANCE instance, HWND parent,
                            DLGPROC proc, LPARAM param, bool foreground) {
  HWND dlg = CreateDialogInternal(layout, instance, parent, proc, param, CreateOptions{true});
  if (dlg == nullptr) return -1;
  return RunModal(dlg,
                  foreground);  // a dialog ended during WM_INITDIALOG only gives its result here
}

}  // namespace cedev

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  using cedev::DialogStates;
  if (Msg == WM_NCCREATE) {
    DialogStates().Create(hDlg);
    return DefWindowProcW(hDlg, Msg, wParam, lParam);
  }
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongW(hDlg, DWL_DLGPROC));
  INT_PTR handled = 0;
  if (proc != nullptr) {
    SetWindowLongW(hDlg, DWL_MSGRESULT, 0);
    handled = proc(hDlg, Msg, wParam, lParam);
  }
  if (Msg == WM_NCDESTROY) {
    if (auto state = DialogStates().Find(hDlg)) {
      if (state->ownedFont != nullptr) DeleteObject(state->ownedFont);
    }
    DialogStates().Destroy(hDlg);
    return DefWindowProcW(hDlg, Msg, wParam, lParam);
  }
  if (handled != 0) {
    if (cedev::ReturnsDirectly(Msg)) return handled;
    return IsWindow(hDlg) ? GetWindowLongW(hDlg, DWL_MSGRESULT) : 0;
  }
  if (Msg == WM_INITDIALOG) return 0;
  return cedev::DefaultDialogMessage(hDlg, Msg, wParam, lParam);
}

namespace {

// A template in memory, read; nothing, with ERROR_INVALID_PARAMETER, when it is no template.
std::optional<cedev::DialogLayout> FromMemory(LPCDLGTEMPLATE dialogTemplate) {
  cedev::ParsedDialog parsed = cedev::ParseDialogTemplate(
      reinterpret_cast<const BYTE*>(dialogTemplate), static_cast<std::size_t>(-1));
  if (!parsed.error.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  return std::move(parsed.layout);
}

// A template from the module's resources; nothing, with the error of the reading (else
// ERROR_RESOURCE_NAME_NOT_FOUND), when there is none or it is no template.
std::optional<cedev::DialogLayout> FromResource(HINSTANCE instance, LPCWSTR name) {
  cedev::ParsedDialog parsed = cedev::ReadResourceTemplate(instance, name);
  if (!parsed.error.empty()) {
    if (GetLastError() == 0) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return std::nullopt;
  }
  return std::move(parsed.layout);
}

}  // namespace

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATE lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  auto layout = FromMemory(lpTemplate);
  return layout ? cedev::CreateDialogFromLayout(*layout, hInstance, hWndParent, lpDialogFunc,
                                                dwInitParam)
                : nullptr;
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  auto layout = FromResource(hInstance, lpTemplateName);
  return layout ? cedev::CreateDialogFromLayout(*layout, hInstance, hWndParent, lpDialogFunc,
                                                dwInitParam)
                : nullptr;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATE hDialogTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  auto layout = FromMemory(hDialogTemplate);
  return layout
             ? cedev::RunDialogFromLayout(*layout, hInstance, hWndParent, lpDialogFunc, dwInitParam)
             : -1;
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  auto layout = FromResource(hInstance, lpTemplateName);
  return layout
             ? cedev::RunDialogFromLayout(*layout, hInstance, hWndParent, lpDialogFunc, dwInitParam)
             : -1;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  std::shared_ptr<cedev::DialogState> state = cedev::DialogStates().Find(hDlg);
  if (state == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  state->result.store(nResult);
  state->ended.store(true);
  // The focus leaves the dialog's controls for the dialog itself, as on Windows (only the
  // dialog's own thread has it there).
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hDlg, focus)) SetFocus(hDlg);
  // A modeless dialog is only hidden (on its own thread); a modal loop notices the end once it
  // wakes.
  if (!state->modal) ShowWindow(hDlg, SW_HIDE);
  PostMessageW(hDlg, WM_NULL, 0, 0);
  return TRUE;
}
