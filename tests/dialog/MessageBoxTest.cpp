// MessageBox: what each flag's box returns for each way of answering it, driven from a second
// thread as the device's input thread drives it; its place, its buttons, its owner, and a box
// shown from a thread that owns no other window. EndDialog from another thread than the
// dialog's.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "DialogScript.h"
#include "GuiThread.h"
#include "Watchdog.h"

namespace {

using Drive = std::function<void(HWND)>;

// The visible message box titled `caption`, or null after five seconds.
HWND WaitForBox(const wchar_t* caption) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < until) {
    HWND box = FindWindowW(nullptr, caption);  // by caption alone: desktop's class is "#32770"
    if (box != nullptr && IsWindowVisible(box)) return box;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

// Runs MessageBox on this thread while `drive` answers it from another.
int Answer(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, const Drive& drive,
           bool* found) {
  std::thread driver([&] {
    HWND box = WaitForBox(caption);
    *found = box != nullptr;
    if (box != nullptr) drive(box);
  });
  int result = MessageBoxW(owner, text, caption, type);
  driver.join();
  return result;
}

Drive TapButton(int id) {
  return [id](HWND box) { dialogtest::PostTap(GetDlgItem(box, id)); };
}
Drive KeyToBox(WPARAM vk) {
  return [vk](HWND box) { dialogtest::PostKey(box, vk); };
}
Drive SpaceOn(int id) {
  return [id](HWND box) { dialogtest::PostKey(GetDlgItem(box, id), VK_SPACE); };
}
Drive Both(Drive first, Drive second) {
  return [first, second](HWND box) {
    first(box);
    second(box);
  };
}

struct BoxCase {
  const char* what;
  UINT type;
  Drive drive;
  int result;
};

class MessageBoxAnswers : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxAnswers, ReturnTheButtonChosen) {
  const BoxCase& c = GetParam();
  msgtest::Watchdog watchdog(c.what);
  bool found = false;
  int result = Answer(nullptr, L"Save the schedule?", L"Answers", c.type, c.drive, &found);
  ASSERT_TRUE(found) << c.what;
  EXPECT_EQ(result, c.result) << c.what;
  EXPECT_EQ(FindWindowW(nullptr, L"Answers"), nullptr) << "the box is gone";
}

INSTANTIATE_TEST_SUITE_P(
    Flags, MessageBoxAnswers,
    ::testing::Values(
        BoxCase{"OK by tap", MB_OK, TapButton(IDOK), IDOK},
        BoxCase{"OK by Enter", MB_OK | MB_ICONINFORMATION, KeyToBox(VK_RETURN), IDOK},
        BoxCase{"OK alone answers Escape", MB_OK, KeyToBox(VK_ESCAPE), IDOK},
        BoxCase{"OK by the task bar's ok", MB_OK,
                [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, IDOK},
        BoxCase{"Yes by tap", MB_YESNO, TapButton(IDYES), IDYES},
        BoxCase{"No by tap", MB_YESNO | MB_ICONQUESTION, TapButton(IDNO), IDNO},
        BoxCase{"Enter is the first button", MB_YESNO, KeyToBox(VK_RETURN), IDYES},
        BoxCase{"Enter is the second default", MB_YESNO | MB_DEFBUTTON2, KeyToBox(VK_RETURN), IDNO},
        BoxCase{"Yes/No ignores Escape", MB_YESNO, Both(KeyToBox(VK_ESCAPE), SpaceOn(IDNO)), IDNO},
        BoxCase{"Cancel by Escape", MB_OKCANCEL, KeyToBox(VK_ESCAPE), IDCANCEL},
        BoxCase{"Cancel by tap", MB_YESNOCANCEL | MB_ICONWARNING, TapButton(IDCANCEL), IDCANCEL},
        BoxCase{"Yes/No ignores the task bar's ok", MB_YESNO,
                Both([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, TapButton(IDYES)),
                IDYES}));

std::wstring TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

TEST(MessageBoxLook, CentredWithItsTextAndButtonsAndTopmostWhenAsked) {
  msgtest::Watchdog watchdog("MessageBoxLook");
  RECT rect{};
  std::wstring yes, no, message;
  LONG_PTR exStyle = 0;
  wchar_t cls[16] = {};
  bool found = false;
  int result = Answer(
      nullptr, L"Two items are the same.", L"Look", MB_YESNO | MB_TOPMOST,
      [&](HWND box) {
        GetWindowRect(box, &rect);
        yes = TextOf(GetDlgItem(box, IDYES));
        no = TextOf(GetDlgItem(box, IDNO));
        for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
          wchar_t name[16] = {};
          GetClassNameW(c, name, 16);
          if (lstrcmpiW(name, L"Static") == 0) message = TextOf(c);
        }
        exStyle = GetWindowLongW(box, GWL_EXSTYLE);
        GetClassNameW(box, cls, 16);
        dialogtest::PostTap(GetDlgItem(box, IDNO));
      },
      &found);
  ASSERT_TRUE(found);
  EXPECT_EQ(result, IDNO);
  EXPECT_STREQ(cls, L"Dialog");
  EXPECT_LE(std::abs(static_cast<int>(rect.left + rect.right) - 240), 8) << "centred across";
  EXPECT_LE(std::abs(static_cast<int>(rect.top + rect.bottom) - 320), 16) << "centred down";
  EXPECT_EQ(yes, L"Yes");
  EXPECT_EQ(no, L"No");
  EXPECT_EQ(message, L"Two items are the same.");
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
}

TEST(MessageBoxLook, LongTextStaysOnTheScreen) {
  msgtest::Watchdog watchdog("MessageBoxLook.LongText");
  RECT rect{};
  bool found = false;
  std::wstring text;
  for (int i = 0; i < 30; ++i) text += L"word ";
  Answer(
      nullptr, text.c_str(), L"Long", MB_OK,
      [&](HWND box) {
        GetWindowRect(box, &rect);
        dialogtest::PostKey(box, VK_RETURN);
      },
      &found);
  ASSERT_TRUE(found);
  EXPECT_GE(rect.left, 0);
  EXPECT_LE(rect.right, 240);
  EXPECT_GT(rect.bottom - rect.top, 5 * 8) << "the text takes more than one line";
}

TEST(MessageBoxOwner, OwnerIsDisabledWhileTheBoxIsUp) {
  msgtest::Watchdog watchdog("MessageBoxOwner");
  msgtest::MessageRecorder recorder;
  msgtest::RecordedWindow info{&recorder, "owner", nullptr};
  HWND owner =
      msgtest::CreateRecordedWindow(info, 0, WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr);
  ASSERT_NE(owner, nullptr);
  SetActiveWindow(owner);
  std::atomic<int> enabledDuring{-1};
  bool found = false;
  int result = Answer(
      owner, L"Saved.", L"Owned", MB_OK,
      [&](HWND box) {
        enabledDuring = IsWindowEnabled(owner) ? 1 : 0;
        dialogtest::PostTap(GetDlgItem(box, IDOK));
      },
      &found);
  ASSERT_TRUE(found);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(enabledDuring.load(), 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  DestroyWindow(owner);
}

TEST(MessageBoxThreads, ABoxWithoutOwnerWorksFromAnyThread) {
  msgtest::Watchdog watchdog("MessageBoxThreads");
  std::atomic<int> result{0};
  std::thread shell([&] {
    result = MessageBoxW(nullptr, L"From elsewhere", L"Elsewhere", MB_YESNO | MB_TOPMOST);
  });
  HWND box = WaitForBox(L"Elsewhere");
  bool found = box != nullptr;
  DWORD boxThread = box != nullptr ? GetWindowThreadProcessId(box, nullptr) : 0;
  if (box != nullptr) dialogtest::PostTap(GetDlgItem(box, IDNO));
  shell.join();
  ASSERT_TRUE(found);
  EXPECT_NE(boxThread, GetCurrentThreadId()) << "the box belongs to the thread that asked";
  EXPECT_EQ(result.load(), IDNO);
}

// A dialog template without items, aligned as templates must be.
struct alignas(4) EmptyTemplate {
  DLGTEMPLATE head{DS_MODALFRAME | WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 100, 50};
  WORD menu = 0, windowClass = 0, title = 0;
};

std::atomic<HWND> g_hammered{nullptr};

INT_PTR CALLBACK HammeredProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) g_hammered = dlg;
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

// EndDialog may be called from any thread. Another thread calls it over and over on the running
// dialog: the first call ends the modal loop with its result, and the calls that race the
// dialog's destruction end a dialog that is going or fail on one that is gone.
TEST(DialogThreads, EndDialogFromAnotherThreadRacesTheDialogsDestruction) {
  msgtest::Watchdog watchdog("DialogThreads.EndDialogFromAnotherThreadRaces",
                             std::chrono::seconds(120));
  static const EmptyTemplate kTemplate;
  std::atomic<bool> stop{false};
  std::thread hammer([&] {
    while (!stop) {
      HWND dlg = g_hammered;
      if (dlg == nullptr || !EndDialog(dlg, 7)) std::this_thread::yield();
    }
  });
  int endedByHammer = 0;
  for (int round = 0; round < 200; ++round) {
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &kTemplate.head, nullptr,
                                             HammeredProc, 0);
    g_hammered = nullptr;
    if (result == 7) ++endedByHammer;
  }
  stop = true;
  hammer.join();
  EXPECT_EQ(endedByHammer, 200) << "every dialog ended with the other thread's result";
}

// EndDialog from another thread hides a modeless dialog on the dialog's own thread, as that
// thread would hide it: the dialog is deactivated and the thread's focus leaves it with it, so
// no key goes to a hidden dialog.
TEST(DialogThreads, EndDialogFromAnotherThreadHidesAModelessDialogOnItsThread) {
  msgtest::Watchdog watchdog("DialogThreads.EndDialogFromAnotherThreadHidesAModelessDialog");
  static const EmptyTemplate kTemplate;
  HWND dlg = nullptr;
  msgtest::GuiThread gui([&] {
    dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &kTemplate.head, nullptr,
                                     HammeredProc, 0);
    SetFocus(dlg);
  });
  ASSERT_NE(dlg, nullptr);
  HWND focusBefore = nullptr;
  gui.Run([&] { focusBefore = GetFocus(); });
  EXPECT_EQ(focusBefore, dlg);
  EXPECT_TRUE(EndDialog(dlg, 3));
  HWND focusAfter = dlg;
  BOOL visible = TRUE;
  gui.Run([&] {
    focusAfter = GetFocus();
    visible = IsWindowVisible(dlg);
  });
  EXPECT_FALSE(visible);
  EXPECT_EQ(focusAfter, nullptr) << "the hidden dialog kept its thread's focus";
  gui.Run([&] { DestroyWindow(dlg); });
}

}  // namespace
