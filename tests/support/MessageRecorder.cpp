#include "MessageRecorder.h"

#include <algorithm>
#include <sstream>

namespace msgtest {

void MessageRecorder::Record(const std::string& window, UINT message, WPARAM wParam,
                             LPARAM lParam) {
  std::lock_guard lk(lock_);
  seen_.push_back(Recorded{window, message, wParam, lParam, GetCurrentThreadId()});
}

std::vector<Recorded> MessageRecorder::Take(const std::set<UINT>& only) {
  std::lock_guard lk(lock_);
  std::vector<Recorded> out;
  for (const Recorded& r : seen_) {
    if (only.empty() || only.count(r.message)) out.push_back(r);
  }
  seen_.clear();
  return out;
}

size_t MessageRecorder::Count(const std::string& window, UINT message) {
  std::lock_guard lk(lock_);
  return static_cast<size_t>(std::count_if(seen_.begin(), seen_.end(), [&](const Recorded& r) {
    return r.window == window && r.message == message;
  }));
}

namespace {

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* info = reinterpret_cast<RecordedWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (info) {
    info->recorder->Record(info->tag, message, wParam, lParam);
    if (info->next) return CallWindowProcW(info->next, hwnd, message, wParam, lParam);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

const wchar_t* RecordingClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = L"MsgTestRecorder";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return L"MsgTestRecorder";
}

HWND CreateRecordedWindow(RecordedWindow& info, DWORD exStyle, DWORD style, int x, int y, int w,
                          int h, HWND parent, int id) {
  std::wstring title(info.tag.begin(), info.tag.end());
  return CreateWindowExW(exStyle, RecordingClass(), title.c_str(), style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, &info);
}

std::string MessageName(UINT message) {
  switch (message) {
#define NAME(m) \
  case m:       \
    return #m;
    NAME(WM_CREATE)
    NAME(WM_DESTROY) NAME(WM_MOVE) NAME(WM_SIZE) NAME(WM_ACTIVATE) NAME(WM_SETFOCUS)
        NAME(WM_KILLFOCUS) NAME(WM_ENABLE) NAME(WM_SETTEXT) NAME(WM_GETTEXT) NAME(WM_GETTEXTLENGTH)
            NAME(WM_PAINT) NAME(WM_CLOSE) NAME(WM_QUIT) NAME(WM_ERASEBKGND) NAME(WM_SHOWWINDOW)
                NAME(WM_NCCREATE) NAME(WM_NCDESTROY) NAME(WM_KEYDOWN) NAME(WM_KEYUP) NAME(WM_CHAR)
                    NAME(WM_COMMAND) NAME(WM_TIMER) NAME(WM_LBUTTONDOWN) NAME(WM_LBUTTONUP)
                        NAME(WM_CAPTURECHANGED) NAME(WM_USER)
#undef NAME
                            default : {
      std::ostringstream s;
      s << "0x" << std::hex << message;
      return s.str();
    }
  }
}

std::string Describe(const std::vector<Recorded>& seen) {
  std::ostringstream s;
  for (const Recorded& r : seen) {
    s << "  " << r.window << " " << MessageName(r.message) << " w=" << r.wParam << " l=" << r.lParam
      << "\n";
  }
  return s.str();
}

std::string Describe(const std::vector<Expected>& wanted) {
  std::ostringstream s;
  for (const Expected& e : wanted) {
    s << "  " << e.window << " " << MessageName(e.message);
    if (e.wParam) s << " w=" << *e.wParam;
    if (e.lParam) s << " l=" << *e.lParam;
    s << "\n";
  }
  return s.str();
}

::testing::AssertionResult SequenceIs(const std::vector<Recorded>& seen,
                                      const std::vector<Expected>& wanted) {
  bool same = seen.size() == wanted.size();
  for (size_t i = 0; same && i < seen.size(); ++i) {
    const Expected& e = wanted[i];
    const Recorded& r = seen[i];
    same = r.window == e.window && r.message == e.message && (!e.wParam || *e.wParam == r.wParam) &&
           (!e.lParam || *e.lParam == r.lParam);
  }
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected:\n"
                                       << Describe(wanted) << "actual:\n"
                                       << Describe(seen);
}

}  // namespace msgtest
