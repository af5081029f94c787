// The device settings: validation, defaults, storing, and a damaged settings file.
#include <string>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "Settings.h"
#include "DeviceTest.h"

namespace {

using SettingsTest = testsupport::DeviceTest;

TEST_F(SettingsTest, ValidatesEachKey) {
  struct Case {
    const char* key;
    const char* value;
    const char* stored;  // null: refused
  };
  const Case cases[] = {
      {"trace", "yes", "yes"},
      {"trace", "no", "no"},
      {"trace", "YES", nullptr},
      {"trace", "", nullptr},
      {"popup-closes", "yes", "yes"},
      {"popup-closes", "1", nullptr},
      {"taskbar", "no", "no"},
      {"taskbar", "true", nullptr},
      {"popup-choices", "On,Vibrate,Off", "On,Vibrate,Off"},
      {"popup-choices", "Loud", "Loud"},
      {"popup-choices", "", nullptr},
      {"popup-choices", "On,,Off", nullptr},
      {"popup-choices", "On,", nullptr},
      {"popup-choices", "a,b,c,d,e,f,g,h,i", nullptr},
      {"popup-choices", "On\tAir", nullptr},
      {"volume-icon", "190,0,212,26", "190,0,212,26"},
      {"volume-icon", "0190,00,0212,026", "190,0,212,26"},
      {"volume-icon", "0,0,240,26", "0,0,240,26"},
      {"volume-icon", "0,0,241,26", nullptr},
      {"volume-icon", "0,0,10,27", nullptr},
      {"volume-icon", "20,0,10,26", nullptr},
      {"volume-icon", "10,5,10,26", nullptr},
      {"volume-icon", "1,2,3", nullptr},
      {"volume-icon", "-1,0,10,26", nullptr},
      {"volume-icon", "1, 2,3,4", nullptr},
      {"volume", "yes", nullptr},
      {"", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.key << " = '" << c.value << "'");
    if (c.stored != nullptr) {
      EXPECT_EQ(cedev::ValidateSetting(c.key, c.value), c.stored);
    } else {
      EXPECT_THROW(cedev::ValidateSetting(c.key, c.value), cedev::SettingError);
    }
  }
}

TEST_F(SettingsTest, NewDeviceHasTheDefaults) {
  EXPECT_EQ(cedev::GetSetting("popup-choices"), "On,Vibrate,Off");
  EXPECT_EQ(cedev::GetSetting("popup-closes"), "no");
  EXPECT_EQ(cedev::GetSetting("taskbar"), "yes");
  EXPECT_EQ(cedev::GetSetting("volume-icon"), "190,0,212,26");
  EXPECT_EQ(cedev::GetSetting("trace"), "no");
  const cedev::Settings s = cedev::LoadSettings();
  EXPECT_EQ(s.popupChoices, (std::vector<std::wstring>{L"On", L"Vibrate", L"Off"}));
  EXPECT_FALSE(s.trace);
  EXPECT_EQ(s.volumeIcon.left, 190);
  EXPECT_EQ(s.volumeIcon.bottom, 26);
}

TEST_F(SettingsTest, StoredSettingsAreReadBack) {
  cedev::SetSetting("trace", "yes");
  cedev::SetSetting("volume-icon", "10,1,30,25");
  cedev::SetSetting("popup-choices", "Loud,Quiet");
  cedev::SetSetting("trace", "no");
  EXPECT_EQ(cedev::GetSetting("trace"), "no");
  const cedev::Settings s = cedev::LoadSettings();
  EXPECT_EQ(s.popupChoices, (std::vector<std::wstring>{L"Loud", L"Quiet"}));
  EXPECT_EQ(s.volumeIcon.left, 10);
  EXPECT_EQ(s.volumeIcon.top, 1);
  EXPECT_EQ(s.volumeIcon.right, 30);
  EXPECT_EQ(s.volumeIcon.bottom, 25);
  EXPECT_TRUE(s.taskbar);
}

TEST_F(SettingsTest, RefusedValueChangesNothing) {
  cedev::SetSetting("taskbar", "no");
  const std::string before = testsupport::ReadBytes(Host(".device/settings"));
  EXPECT_THROW(cedev::SetSetting("taskbar", "maybe"), cedev::SettingError);
  EXPECT_THROW(cedev::SetSetting("colour", "blue"), cedev::SettingError);
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/settings")), before);
  EXPECT_EQ(cedev::GetSetting("taskbar"), "no");
}

TEST_F(SettingsTest, DamagedSettingsFileIsAnErrorNamingIt) {
  const char* damaged[] = {"trace=perhaps\n", "colour=blue\n", "trace\n", "volume-icon=1,2\n"};
  for (const char* text : damaged) {
    SCOPED_TRACE(text);
    cedev::DeviceRoot();
    testsupport::WriteBytes(Host(".device/settings"), text);
    try {
      cedev::LoadSettings();
      ADD_FAILURE() << "no DeviceError";
    } catch (const cedev::DeviceError& e) {
      EXPECT_EQ(e.file(), Host(".device/settings"));
    }
    EXPECT_THROW(cedev::GetSetting("trace"), cedev::DeviceError);
    // A setting of another key keeps the damaged line as it was.
    cedev::SetSetting("popup-closes", "yes");
    EXPECT_EQ(testsupport::ReadBytes(Host(".device/settings")),
              "popup-closes=yes\n" + std::string(text));
    EXPECT_THROW(cedev::GetSetting("popup-closes"), cedev::DeviceError);
  }
}

TEST_F(SettingsTest, ASetWritesAGoodValueOverABadOneOfItsKeyAndTheRestStays) {
  cedev::DeviceRoot();
  testsupport::WriteBytes(Host(".device/settings"),
                          "popup-closes=yes\ntrace=perhaps\nvolume-icon=1,2\n");
  cedev::SetSetting("trace", "yes");
  EXPECT_THROW(cedev::LoadSettings(), cedev::DeviceError) << "volume-icon is still damaged";
  cedev::SetSetting("volume-icon", "10,0,40,26");
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/settings")),
            "popup-closes=yes\nvolume-icon=10,0,40,26\ntrace=yes\n");
  EXPECT_TRUE(cedev::LoadSettings().trace);
}

TEST_F(SettingsTest, RepairKeepsWhatReadsAndSetsTheDamagedFileAside) {
  cedev::DeviceRoot();
  EXPECT_EQ(cedev::RepairSettings(), std::nullopt) << "no file: nothing to mend";
  const std::string damaged = "popup-closes=yes\n" + std::string(100000, 'x') + "\ntrace=perhaps\n";
  testsupport::WriteBytes(Host(".device/settings"), damaged);
  const std::optional<std::string> report = cedev::RepairSettings();
  ASSERT_TRUE(report.has_value());
  EXPECT_NE(report->find("line 2: not a setting: '" + std::string(80, 'x') + "...'"),
            std::string::npos)
      << *report;
  EXPECT_NE(report->find("and 1 more"), std::string::npos) << *report;
  EXPECT_LT(report->size(), 600u) << "a damaged line is quoted cut short";
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/settings.damaged")), damaged);
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/settings")), "popup-closes=yes\n");
  EXPECT_EQ(cedev::RepairSettings(), std::nullopt) << "a whole file is left alone";
}

}  // namespace
