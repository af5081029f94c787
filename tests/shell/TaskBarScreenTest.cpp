// What the task bar shows on the device's screen: the foreground window's title, the volume
// icon, and "[ok]" for a window that asked for the button.
#include <windows.h>
#include <aygshell.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceScreen.h"
#include "ShellTestSupport.h"
#include "ShellThread.h"
#include "Scratch.h"
#include "Watchdog.h"

using namespace shelltest;
using std::chrono::milliseconds;

namespace {

class TaskBarScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ProcessDeviceRoot();
    cedev::StartShell();
    ASSERT_NE(FindWindowW(L"HHTaskBar", nullptr), nullptr);
  }
  void TearDown() override { cedev::StopShell(); }

  // The bar's text row once the screen has settled, this thread's paints included.
  static std::wstring BarRow(const std::function<bool(const std::wstring&)>& until) {
    std::wstring row;
    PumpUntil([&] {
      cedev::WaitForPaints(milliseconds(200));
      row = cedev::ScreenLines()[1];
      return until(row);
    });
    return row;
  }

  msgtest::Watchdog watchdog_;
};

TEST_F(TaskBarScreenTest, ShowsTheForegroundTitleAndOkOnlyWhenAskedFor) {
  std::vector<DWORD> tmpl = EmptyDialogTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE, L"Schedule");
  HWND dlg = CreateDialogIndirectParamW(
      nullptr, reinterpret_cast<LPCDLGTEMPLATE>(tmpl.data()), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(dlg, nullptr);
  SetForegroundWindow(dlg);
  std::wstring row =
      BarRow([](const std::wstring& r) { return r.find(L"Schedule") != std::wstring::npos; });
  EXPECT_EQ(row.substr(1, 8), L"Schedule") << "row: [" << row << "]";
  EXPECT_EQ(row.find(L"[ok]"), std::wstring::npos) << "row: [" << row << "]";
  EXPECT_EQ(row.substr(48, 3), L"<))") << "the volume icon at 190..211";

  SHINITDLGINFO info{SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
  ASSERT_TRUE(SHInitDialog(&info));
  row = BarRow([](const std::wstring& r) { return r.find(L"[ok]") != std::wstring::npos; });
  EXPECT_EQ(row.substr(54, 4), L"[ok]") << "row: [" << row << "]";

  DestroyWindow(dlg);
  row = BarRow([](const std::wstring& r) { return r.find(L"Schedule") == std::wstring::npos; });
  EXPECT_EQ(row.find(L"Schedule"), std::wstring::npos) << "row: [" << row << "]";
  EXPECT_EQ(row.find(L"[ok]"), std::wstring::npos) << "row: [" << row << "]";
}

}  // namespace
