#include "ServiceFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "DeviceClock.h"
#include "NotificationStore.h"
#include "NotifyFaults.h"

namespace fs = std::filesystem;

void ServiceTest::SetUp() {
  testsupport::DeviceTest::SetUp();
  fs::create_directories(root_ / ".device");
  cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
  cedev::notify::ClearFaults();
  cedev::notify::SetDamageReporter([](const std::string&) {});
}

void ServiceTest::TearDown() {
  cedev::notify::ClearFaults();
  cedev::notify::SetDamageReporter(nullptr);
  testsupport::DeviceTest::TearDown();
}

CE_NOTIFICATION_TRIGGER ServiceTest::TimeTrigger(const WCHAR* application, const WCHAR* arguments,
                                                 WORD year, WORD month, WORD day, WORD hour,
                                                 WORD minute, WORD second) {
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = CNT_TIME;
  trigger.lpszApplication = const_cast<WCHAR*>(application);
  trigger.lpszArguments = const_cast<WCHAR*>(arguments);
  trigger.stStartTime = SYSTEMTIME{year, month, 0, day, hour, minute, second, 0};
  return trigger;
}

DWORD ServiceTest::Register(const WCHAR* application, const WCHAR* arguments, WORD day, WORD hour,
                            WORD minute) {
  CE_NOTIFICATION_TRIGGER trigger =
      TimeTrigger(application, arguments, 2026, 12, day, hour, minute, 0);
  CE_USER_NOTIFICATION user = {};
  const HANDLE handle = CeSetUserNotificationEx(nullptr, &trigger, &user);
  EXPECT_NE(handle, nullptr) << "error " << GetLastError();
  return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(handle));
}

std::string ServiceTest::StoreText() {
  cedev::notify::CompactStore();  // the journal folded in: the whole store in one text
  std::ifstream in(cedev::notify::StorePath());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void ServiceTest::WriteStoreText(const std::string& text) {
  // Behind the service's back, as a person with an editor would: the journal goes with the old
  // store, and the next look at the files sees the new one.
  fs::remove(cedev::notify::JournalPath());
  std::ofstream out(cedev::notify::StorePath(), std::ios::trunc);
  out << text;
}
