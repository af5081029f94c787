// The Windows build's own platform pieces, under Wine: what an input script sees and does over the
// public API, its wait for the program's threads, the settings the shell reads and Windows CE's
// one-step file replacement. (scripts/wine-e2e runs these before its scenarios.)
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "DeviceFiles.h"
#include "InputIdle.h"
#include "Settings.h"
#include "TestRoot.h"
#include "Watchdog.h"
#include "WindowAutomation.h"

namespace {

using namespace std::chrono_literals;

TEST(ShownText, AMnemonicMarkDoesNotShow) {
  const struct {
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {{L"&Yes", L"Yes"}, {L"Save && Quit", L"Save & Quit"}, {L"Last&", L"Last&"},
               {L"Plain", L"Plain"}, {L"", L""}};
  for (const auto& c : cases) EXPECT_EQ(cewin::ShownText(c.text), c.shown) << c.text;
}

// A thread of the test's own with a window showing a button "&Press" and a list of two rows,
// taking its messages until the window goes. Before it does, it can be held outside any wait
// for messages, as a program asleep in Sleep is.
class WindowThread {
 public:
  explicit WindowThread(bool heldFirst = false) : held_(CreateEventW(nullptr, TRUE, !heldFirst, nullptr)) {
    thread_ = std::thread([this] { Run(); });
    while (window_.load() == nullptr) std::this_thread::yield();
  }
  ~WindowThread() {
    SetEvent(held_);
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(held_);
  }
  void Release() { SetEvent(held_); }
  DWORD id() const { return id_; }
  HWND list() const { return list_; }
  int clicks() const { return clicks_.load(); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<WindowThread*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && self != nullptr) ++self->clicks_;
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  void Run() {
    id_ = GetCurrentThreadId();
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = module;
    wc.lpszClassName = L"PlatformTestWindow";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"Probe", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268,
                             nullptr, nullptr, module, nullptr);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    CreateWindowExW(0, L"Button", L"&Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 60, 20,
                    w, nullptr, module, nullptr);
    list_ = CreateWindowExW(0, L"ListBox", L"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 10, 40, 200, 100,
                            w, nullptr, module, nullptr);
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"alpha"));
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"beta"));
    window_ = w;
    WaitForSingleObject(held_, INFINITE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }

  HANDLE held_;
  std::thread thread_;
  std::atomic<HWND> window_{nullptr};
  DWORD id_ = 0;
  HWND list_ = nullptr;
  std::atomic<int> clicks_{0};
};

TEST(ScriptInput, ATapByTextClicksTheButtonOnceAndTheWaitSeesItHandled) {
  msgtest::Watchdog watchdog;
  WindowThread t;
  const auto at = cewin::FindShowingText(L"Press");
  ASSERT_TRUE(at.has_value());
  ASSERT_NE(cewin::PostTap(*at), nullptr);
  ASSERT_TRUE(cewin::WaitThreadsIdle({t.id()}, 10s));
  EXPECT_EQ(t.clicks(), 1);
  EXPECT_FALSE(cewin::FindShowingText(L"&Press").has_value()) << "the mark does not show";
}

TEST(ScriptInput, AListRowIsTappedAtItsCentreAndShowsInTheTree) {
  msgtest::Watchdog watchdog;
  WindowThread t;
  const auto at = cewin::FindShowingText(L"beta");
  ASSERT_TRUE(at.has_value());
  ASSERT_EQ(cewin::PostTap(*at), t.list());
  ASSERT_TRUE(cewin::WaitThreadsIdle({t.id()}, 10s));
  EXPECT_EQ(SendMessageW(t.list(), LB_GETCURSEL, 0, 0), 1);
  const std::wstring tree = cewin::WindowTreeText();
  EXPECT_NE(tree.find(L"  ListBox \"\" (10,66)-(210,166) focused\n    row \"alpha\"\n    row \"beta\" selected\n"),
            std::wstring::npos)
      << std::string(tree.begin(), tree.end());
}

// A thread held outside a wait for messages never rests, however long one waits; once it takes
// its messages again, it does.
TEST(ScriptInput, AThreadHeldOutsideAMessageWaitIsNotIdleUntilReleased) {
  msgtest::Watchdog watchdog;
  WindowThread t(true);
  EXPECT_FALSE(cewin::WaitThreadsIdle({t.id()}, 300ms));
  t.Release();
  EXPECT_TRUE(cewin::WaitThreadsIdle({t.id()}, 10s));
}

TEST(ScriptInput, AThreadThatHasEndedCountsAsIdle) {
  DWORD id = 0;
  std::thread([&id] { id = GetCurrentThreadId(); }).join();
  EXPECT_TRUE(cewin::WaitThreadsIdle({id}, 10s));
}

// A device root of the test's own, as the device's tool and the program get it: CEDEVICE_ROOT.
class WinRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(UseTestRoot().empty());
    root_ = cewin::DeviceRootPath();
  }
  std::wstring File(const wchar_t* name) { return root_ + L"\\My Documents\\" + name; }
  static void Write(const std::wstring& path, const char* text) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, text, static_cast<DWORD>(strlen(text)), &n, nullptr);
    CloseHandle(h);
  }
  std::wstring root_;
};

TEST_F(WinRoot, TheShellReadsTheDevicesSettingsAndKeepsDefaultsForBadValues) {
  cewin::WriteStateAtomic("settings",
                          "popup-choices=Loud,Quiet\npopup-closes=yes\nvolume-icon=10,2,30,20\n"
                          "taskbar=maybe\ntrace=yes\n");
  const cedev::Settings s = cedev::LoadSettings();
  EXPECT_EQ(s.popupChoices, (std::vector<std::wstring>{L"Loud", L"Quiet"}));
  EXPECT_TRUE(s.popupCloses);
  EXPECT_EQ(s.volumeIcon.left, 10);
  EXPECT_EQ(s.volumeIcon.bottom, 20);
  EXPECT_TRUE(s.taskbar) << "a value the device would not take leaves the default";
  EXPECT_TRUE(s.trace);
  cewin::RemoveState("settings");
  EXPECT_EQ(cedev::LoadSettings().popupChoices, (std::vector<std::wstring>{L"On", L"Vibrate", L"Off"}));
}

TEST_F(WinRoot, DeleteAndRenameFileReplacesOnlyAFileThatIsThere) {
  DeleteFileW(File(L"old.dat").c_str());
  Write(File(L"new.tmp"), "new");
  EXPECT_FALSE(DeleteAndRenameFile(File(L"old.dat").c_str(), File(L"new.tmp").c_str()));
  EXPECT_NE(GetFileAttributesW(File(L"new.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(File(L"old.dat").c_str()), INVALID_FILE_ATTRIBUTES);
  Write(File(L"old.dat"), "old");
  ASSERT_TRUE(DeleteAndRenameFile(File(L"old.dat").c_str(), File(L"new.tmp").c_str()));
  EXPECT_EQ(GetFileAttributesW(File(L"new.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  char text[8] = {};
  DWORD n = 0;
  HANDLE h = CreateFileW(File(L"old.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ReadFile(h, text, sizeof text - 1, &n, nullptr);
  CloseHandle(h);
  EXPECT_STREQ(text, "new");
}

}  // namespace
