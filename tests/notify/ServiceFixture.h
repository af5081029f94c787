// A fresh device root for each test of the notification service, the clock frozen, no faults.
#pragma once

#include <filesystem>
#include <string>

#include <notify.h>

#include "DeviceTest.h"

class ServiceTest : public testsupport::DeviceTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A time trigger for the application at the given time.
  static CE_NOTIFICATION_TRIGGER TimeTrigger(const WCHAR* application, const WCHAR* arguments,
                                             WORD year, WORD month, WORD day, WORD hour,
                                             WORD minute, WORD second);
  // Registers and fails the test when the service refuses.
  static DWORD Register(const WCHAR* application, const WCHAR* arguments, WORD day, WORD hour,
                        WORD minute);
  // The store as one text: its journal folded into the snapshot first.
  static std::string StoreText();
  // Replaces the store's files by hand (the snapshot written, the journal removed).
  static void WriteStoreText(const std::string& text);
};
