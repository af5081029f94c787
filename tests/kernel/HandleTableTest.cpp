// Kernel handles: pointer-sized, never handed out twice, and dead once closed.
#include <memory>
#include <set>

#include <windows.h>

#include "DeviceRoot.h"
#include "KernelObjects.h"
#include "DeviceTest.h"

namespace {

using HandleTableTest = testsupport::DeviceTest;

class CountingObject : public cedev::KernelObject {
 public:
  explicit CountingObject(int& closes) : closes_(closes) {}
  BOOL Close() override {
    ++closes_;
    return TRUE;
  }

 private:
  int& closes_;
};

TEST_F(HandleTableTest, HandlesAreNeverReused) {
  std::set<HANDLE> seen;
  int closes = 0;
  for (int i = 0; i < 1000; ++i) {
    const HANDLE h = cedev::NewKernelHandle(std::make_shared<CountingObject>(closes));
    EXPECT_NE(h, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(seen.insert(h).second) << "handed out twice: " << h;
    EXPECT_TRUE(CloseHandle(h));
  }
  EXPECT_EQ(closes, 1000);
}

TEST_F(HandleTableTest, LookupFindsOnlyLiveHandlesOfTheRightKind) {
  int closes = 0;
  auto object = std::make_shared<CountingObject>(closes);
  const HANDLE h = cedev::NewKernelHandle(object);
  EXPECT_EQ(cedev::LookupKernelHandle(h), object);
  EXPECT_EQ(cedev::LookupKernelHandleAs<CountingObject>(h), object);
  struct Other : cedev::KernelObject {};
  EXPECT_EQ(cedev::LookupKernelHandleAs<Other>(h), nullptr);
  EXPECT_EQ(cedev::TakeKernelHandle(h), object);
  EXPECT_EQ(cedev::LookupKernelHandle(h), nullptr);
  EXPECT_EQ(cedev::TakeKernelHandle(h), nullptr);
  EXPECT_EQ(closes, 0);  // taking is not closing
}

TEST_F(HandleTableTest, BadAndClosedHandlesFailWithInvalidHandle) {
  cedev::DeviceRoot();
  const HANDLE closed = CreateFileW(L"\\Windows\\f", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(closed, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(closed));
  int closes = 0;
  const HANDLE notAFile = cedev::NewKernelHandle(std::make_shared<CountingObject>(closes));
  const HANDLE bad[] = {closed, INVALID_HANDLE_VALUE, nullptr, reinterpret_cast<HANDLE>(0x12345678),
                        notAFile};
  for (const HANDLE h : bad) {
    SCOPED_TRACE(testing::Message() << "handle " << h);
    char buffer[4];
    DWORD n = 9;
    SetLastError(0);
    EXPECT_FALSE(ReadFile(h, buffer, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(n, 0u);
    SetLastError(0);
    EXPECT_FALSE(WriteFile(h, buffer, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(SetEndOfFile(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  EXPECT_TRUE(CloseHandle(notAFile));
  EXPECT_FALSE(CloseHandle(notAFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(closed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
