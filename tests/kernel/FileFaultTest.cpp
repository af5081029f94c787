// The file fault hooks acting on the Win32 file calls, and CEDEVICE_FAULTS.
#include <cstdlib>
#include <string>

#include <windows.h>

#include "DeviceRoot.h"
#include "Faults.h"
#include "DeviceTest.h"

namespace {

using cedev::FileFault;
using cedev::FileOp;

class FileFaultTest : public testsupport::DeviceTest {
 protected:
  void SetUp() override {
    testsupport::DeviceTest::SetUp();
    cedev::ClearFileFaults();
    cedev::DeviceRoot();
  }
  void TearDown() override {
    cedev::ClearFileFaults();
    testsupport::DeviceTest::TearDown();
  }
  static FileFault Fault(FileOp op, DWORD error, unsigned after = 0, std::wstring path = {}) {
    FileFault f;
    f.op = op;
    f.error = error;
    f.after = after;
    f.pathContains = std::move(path);
    return f;
  }
  static HANDLE OpenNew(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  }
};

TEST_F(FileFaultTest, OpenFailsOnceWithTheChosenCode) {
  cedev::InjectFileFault(Fault(FileOp::open, ERROR_ACCESS_DENIED));
  EXPECT_EQ(cedev::PendingFileFaults(), 1u);
  EXPECT_EQ(OpenNew(L"\\Windows\\a"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(std::filesystem::exists(Host("Windows/a")));  // nothing was made
  EXPECT_EQ(cedev::PendingFileFaults(), 0u);
  const HANDLE h = OpenNew(L"\\Windows\\a");
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST_F(FileFaultTest, AfterLetsMatchingOperationsSucceedFirstAndPathsNarrowWithoutCase) {
  cedev::InjectFileFault(Fault(FileOp::open, ERROR_SHARING_VIOLATION, 1, L"target.DAT"));
  const HANDLE other = OpenNew(L"\\Windows\\other");  // does not match: not counted
  EXPECT_NE(other, INVALID_HANDLE_VALUE);
  const HANDLE first = OpenNew(L"\\Windows\\Target.dat");
  EXPECT_NE(first, INVALID_HANDLE_VALUE);
  CloseHandle(first);
  EXPECT_EQ(OpenNew(L"\\Windows\\TARGET.dat"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(other);
}

TEST_F(FileFaultTest, ReadFlushCloseRenameAndDeleteFail) {
  const HANDLE h = OpenNew(L"\\Windows\\f");
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  cedev::InjectFileFault(Fault(FileOp::read, ERROR_READ_FAULT, 1));
  char buffer[3];
  EXPECT_TRUE(ReadFile(h, buffer, 3, &n, nullptr));
  EXPECT_FALSE(ReadFile(h, buffer, 3, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
  EXPECT_EQ(n, 0u);
  cedev::InjectFileFault(Fault(FileOp::flush, ERROR_WRITE_FAULT));
  EXPECT_FALSE(FlushFileBuffers(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
  // A failed close still closes: the handle is gone and the file is free.
  cedev::InjectFileFault(Fault(FileOp::close, ERROR_IO_DEVICE));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  const HANDLE again = OpenNew(L"\\Windows\\g");
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);

  cedev::InjectFileFault(Fault(FileOp::rename, ERROR_ACCESS_DENIED, 0, L"\\g"));
  EXPECT_TRUE(MoveFileW(L"\\Windows\\f", L"\\Windows\\h"));  // neither path has "\g"
  EXPECT_FALSE(DeleteAndRenameFile(L"\\Windows\\g", L"\\Windows\\h"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(std::filesystem::exists(Host("Windows/g")));
  EXPECT_TRUE(std::filesystem::exists(Host("Windows/h")));
  cedev::InjectFileFault(Fault(FileOp::remove, ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteFileW(L"\\Windows\\g"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(std::filesystem::exists(Host("Windows/g")));
}

TEST_F(FileFaultTest, ShortWriteStoresFewerBytesAndReportsSuccess) {
  FileFault f;
  f.op = FileOp::write;
  f.effect = FileFault::Effect::shortWrite;
  f.bytes = 3;
  cedev::InjectFileFault(f);
  const HANDLE h = OpenNew(L"\\Windows\\f");
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
  EXPECT_EQ(n, 3u);
  EXPECT_TRUE(WriteFile(h, "XY", 2, &n, nullptr));  // it fired once
  EXPECT_EQ(n, 2u);
  CloseHandle(h);
  EXPECT_EQ(testsupport::ReadBytes(Host("Windows/f")), "abcXY");
}

TEST_F(FileFaultTest, FullDiskStoresWhatFitsThenStaysFull) {
  FileFault f;
  f.op = FileOp::write;
  f.effect = FileFault::Effect::diskFull;
  f.error = ERROR_DISK_FULL;
  f.bytes = 5;
  cedev::InjectFileFault(f);
  const HANDLE h = OpenNew(L"\\Windows\\f");
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "abc", 3, &n, nullptr));
  EXPECT_EQ(n, 3u);
  EXPECT_FALSE(WriteFile(h, "defg", 4, &n, nullptr));
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_FALSE(WriteFile(h, "h", 1, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(cedev::PendingFileFaults(), 1u);
  cedev::ClearFileFaults();
  EXPECT_TRUE(WriteFile(h, "i", 1, &n, nullptr));
  CloseHandle(h);
  EXPECT_EQ(testsupport::ReadBytes(Host("Windows/f")), "abcdei");
}

TEST_F(FileFaultTest, FirstMatchingFaultActsAndWaitingOnesCountOnlySuccesses) {
  cedev::InjectFileFault(Fault(FileOp::open, ERROR_ACCESS_DENIED, 1));
  cedev::InjectFileFault(Fault(FileOp::open, ERROR_TOO_MANY_OPEN_FILES));
  // The second fault acts first (the first still lets one pass), and that failed open does
  // not count as the one the first lets pass.
  EXPECT_EQ(OpenNew(L"\\Windows\\a"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_OPEN_FILES));
  const HANDLE h = OpenNew(L"\\Windows\\a");
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(OpenNew(L"\\Windows\\a"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// CEDEVICE_FAULTS is read at the program's first file operation, so each case runs in a
// process of its own.
class EnvironmentFaultTest : public FileFaultTest {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    FileFaultTest::SetUp();
  }
};

TEST_F(EnvironmentFaultTest, FaultsFromTheEnvironmentAct) {
  EXPECT_EXIT(
      {
        ::setenv("CEDEVICE_FAULTS", "open/1:5@Windows,write:112", 1);
        const HANDLE a = OpenNew(L"\\Windows\\a");
        const HANDLE b = OpenNew(L"\\Windows\\b");
        const DWORD openError = GetLastError();
        DWORD n = 0;
        const BOOL wrote = WriteFile(a, "x", 1, &n, nullptr);
        const DWORD writeError = GetLastError();
        std::exit(a != INVALID_HANDLE_VALUE && b == INVALID_HANDLE_VALUE && openError == 5 &&
                          !wrote && writeError == 112
                      ? 0
                      : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(EnvironmentFaultTest, BadValueStopsTheProgramWithStatusTwo) {
  EXPECT_EXIT(
      {
        ::setenv("CEDEVICE_FAULTS", "write:lots", 1);
        OpenNew(L"\\Windows\\a");
        std::exit(0);
      },
      testing::ExitedWithCode(2), "CEDEVICE_FAULTS: .*write:lots");
}

}  // namespace
