// A demonstration dialog (the test resource script's form) driven end to end by an input
// script as a person would drive it: typing, taps on a push-like check box, a list row and the
// picker, digits into the picker, Tab, and the dumps of the screen and the window tree, then
// OK. The program prints what the dialog held when it ended.
#include <commctrl.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

#include <gtest/gtest.h>

#include "InputAndDisplay.h"
#include "TestDialogIds.h"

namespace {

std::string TempPath(const std::string& name) {
  // The same in the test and in its death-test child, which inherits the environment.
  if (!std::getenv("CEDEVICE_DEMO_TEST_ID"))
    setenv("CEDEVICE_DEMO_TEST_ID", std::to_string(getpid()).c_str(), 1);
  return ::testing::TempDir() + "cedev-demo-" + std::getenv("CEDEVICE_DEMO_TEST_ID") + "-" + name;
}

INT_PTR CALLBACK FormProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      for (const wchar_t* row : {L"Mon 07:00 Mute", L"Fri 22:00 Mute", L"Sat 09:30 On"}) {
        SendDlgItemMessageW(dlg, IDC_ROWS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
      }
      SYSTEMTIME t{};
      t.wYear = 2026;
      t.wMonth = 12;
      t.wDay = 7;
      t.wDayOfWeek = 1;
      t.wHour = 12;
      t.wMinute = 30;
      SendDlgItemMessageW(dlg, IDC_WHEN, DTM_SETSYSTEMTIME, GDT_VALID,
                          reinterpret_cast<LPARAM>(&t));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        wchar_t name[32] = {};
        GetDlgItemTextW(dlg, IDC_NAME, name, 32);
        wchar_t row[32] = {};
        LRESULT selected = SendDlgItemMessageW(dlg, IDC_ROWS, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
          SendDlgItemMessageW(dlg, IDC_ROWS, LB_GETTEXT, static_cast<WPARAM>(selected),
                              reinterpret_cast<LPARAM>(row));
        SYSTEMTIME t{};
        SendDlgItemMessageW(dlg, IDC_WHEN, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t));
        std::printf("result: name=%ls loud=%u row=%ls time=%02u:%02u:%02u\n", name,
                    IsDlgButtonChecked(dlg, IDC_LOUD), row, static_cast<unsigned>(t.wHour),
                    static_cast<unsigned>(t.wMinute), static_cast<unsigned>(t.wSecond));
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

[[noreturn]] void RunDemo(const std::string& script, const std::string& output) {
  std::ofstream(TempPath("script")) << script;
  setenv("CEDEVICE_INPUT", TempPath("script").c_str(), 1);
  setenv("CEDEVICE_DISPLAY", "none", 1);
  if (!std::freopen(output.c_str(), "w", stdout)) std::_Exit(90);
  cedev::StartInputAndDisplay();
  INT_PTR result = DialogBoxParamW(nullptr, MAKEINTRESOURCE(IDD_FORM), nullptr, FormProc, 0);
  cedev::StopInputAndDisplay();
  std::fflush(stdout);
  std::_Exit(result == IDOK ? 0 : 1);
}

// The text with each line's trailing blanks dropped: the dumps pad every line to the screen.
std::string Trimmed(const std::string& text) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
  }
  return out;
}

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(DemoDialog, DrivenByAnInputScript) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string out = TempPath("out");
  EXPECT_EXIT(RunDemo("wait \"Form\"\n"
                      "type \"Ann\"\n"
                      "tap \"Loud\"\n"
                      "tap \"Fri 22:00 Mute\"\n"
                      "tap \"12:30:00\"\n"
                      "type \"0745\"\n"
                      "key Tab\n"
                      "screen\n"
                      "tree\n"
                      "tap \"OK\"\n",
                      out),
              ::testing::ExitedWithCode(0), "");
  // The screen: 40 rows, the dialog at the top left, dialog units being pixels.
  std::vector<std::string> screen(40);
  screen[0] = " Name:   Ann_________________";
  screen[2] = "         _______";
  screen[4] = "   [*Loud*]";
  screen[6] = " >Fri 22:00 Mute";
  screen[7] = "  Mon 07:00 Mute";
  screen[8] = "  Sat 09:30 On";
  screen[12] = " 07:45:00";
  screen[16] = " [ Apply ]  [ OK ]   [Cancel]";
  std::string expected;
  for (const std::string& row : screen) expected += row + "\n";
  expected +=
      "Dialog \"Form\" (0,0)-(120,150)\n"
      "  Static \"Name:\" (4,4)-(34,12)\n"
      "  Edit \"Ann\" (36,4)-(116,16)\n"
      "  Edit \"\" (36,20)-(66,32)\n"
      "  Button \"Loud\" (4,36)-(54,48) checked\n"
      "  ListBox \"\" (4,52)-(116,92)\n"
      "    row \"Fri 22:00 Mute\" selected\n"
      "    row \"Mon 07:00 Mute\"\n"
      "    row \"Sat 09:30 On\"\n"
      "  SysDateTimePick32 \"\" (4,96)-(64,108) shows \"07:45:00\"\n"
      "  Button \"Apply\" (4,130)-(40,144) focused\n"
      "  Button \"OK\" (44,130)-(80,144)\n"
      "  Button \"Cancel\" (84,130)-(116,144)\n"
      "result: name=Ann loud=1 row=Fri 22:00 Mute time=07:45:00\n";
  EXPECT_EQ(Trimmed(Read(out)), expected);
  std::remove(out.c_str());
  std::remove(TempPath("script").c_str());
}

}  // namespace
