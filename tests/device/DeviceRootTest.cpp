// The device root: factory-new on first use, and the mapping of CE paths onto it.
#include <filesystem>
#include <string>

#include <windef.h>
#include <winerror.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "DeviceTest.h"
#include "WideText.h"

namespace fs = std::filesystem;

namespace {

using DeviceRootTest = testsupport::DeviceTest;

TEST_F(DeviceRootTest, MissingRootIsMadeFactoryNew) {
  ASSERT_FALSE(fs::exists(root_));
  EXPECT_EQ(cedev::DeviceRoot(), root_);
  EXPECT_TRUE(fs::is_directory(root_ / "My Documents"));
  EXPECT_TRUE(fs::is_directory(root_ / "Windows"));
  EXPECT_TRUE(fs::is_directory(root_ / ".device"));
}

TEST_F(DeviceRootTest, RemovedFolderIsNotMadeAgainButStateFolderIs) {
  cedev::DeviceRoot();
  fs::remove_all(root_ / "My Documents");
  fs::remove_all(root_ / ".device");
  cedev::DeviceRoot();
  fs::path mapped;
  EXPECT_EQ(cedev::MapCePath(L"\\My Documents\\Quenmora.dat", mapped), NO_ERROR);
  EXPECT_FALSE(fs::exists(root_ / "My Documents"));
  EXPECT_TRUE(fs::is_directory(root_ / ".device"));
}

TEST_F(DeviceRootTest, RootThatIsAFileIsAClearError) {
  testsupport::WriteBytes(root_, "not a folder");
  try {
    cedev::DeviceRoot();
    FAIL() << "no DeviceError";
  } catch (const cedev::DeviceError& e) {
    EXPECT_NE(std::string(e.what()).find(root_.string()), std::string::npos) << e.what();
  }
}

TEST_F(DeviceRootTest, MapsCePaths) {
  cedev::DeviceRoot();
  testsupport::WriteBytes(root_ / "My Documents" / "Quenmora.dat", "x");
  struct Case {
    const wchar_t* cePath;
    unsigned long error;
    const char* host;  // relative to the root, when mapped
  };
  const Case cases[] = {
      {L"\\My Documents\\Quenmora.dat", NO_ERROR, "My Documents/Quenmora.dat"},
      {L"/My Documents/Quenmora.dat", NO_ERROR, "My Documents/Quenmora.dat"},
      {L"My Documents\\Quenmora.dat", NO_ERROR, "My Documents/Quenmora.dat"},
      // Existing names are found without regard to case; new ones keep theirs.
      {L"\\my documents\\QUENMORA.DAT", NO_ERROR, "My Documents/Quenmora.dat"},
      {L"\\MY DOCUMENTS\\New File.txt", NO_ERROR, "My Documents/New File.txt"},
      {L"\\Windows\\.\\..\\My Documents\\Quenmora.dat", NO_ERROR, "My Documents/Quenmora.dat"},
      {L"\\\\Windows\\\\", NO_ERROR, "Windows"},
      {L"\\..", ERROR_PATH_NOT_FOUND, nullptr},
      {L"\\..\\etc\\passwd", ERROR_PATH_NOT_FOUND, nullptr},
      {L"\\Windows\\..\\..\\x", ERROR_PATH_NOT_FOUND, nullptr},
      {L"", ERROR_PATH_NOT_FOUND, nullptr},
      {L"\\.device\\clock", ERROR_PATH_NOT_FOUND, nullptr},
      {L"\\.DEVICE\\settings", ERROR_PATH_NOT_FOUND, nullptr},
      {L"\\My Documents\\what?.dat", ERROR_INVALID_NAME, nullptr},
      {L"\\My Documents\\a:b", ERROR_INVALID_NAME, nullptr},
      {L"\\My Documents\\tab\there", ERROR_INVALID_NAME, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "path " << cedev::Utf8FromWide(c.cePath));
    fs::path out;
    EXPECT_EQ(cedev::MapCePath(c.cePath, out), c.error);
    if (c.host != nullptr) {
      EXPECT_EQ(out, root_ / c.host);
    }
  }
}

TEST_F(DeviceRootTest, PathsOfMaxPathOrMoreAreRefused) {
  fs::path out;
  const std::wstring fits = L"\\" + std::wstring(MAX_PATH - 2, L'a');
  EXPECT_EQ(cedev::MapCePath(fits, out), NO_ERROR);
  EXPECT_EQ(cedev::MapCePath(fits + L"a", out), ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(DeviceRootTest, CePathOfHostPaths) {
  cedev::DeviceRoot();
  EXPECT_EQ(cedev::CePathOf(root_ / "Windows" / "Quenmora.exe"), L"\\Windows\\Quenmora.exe");
  EXPECT_EQ(cedev::CePathOf(root_), L"\\");
  EXPECT_EQ(cedev::CePathOf(root_.parent_path() / "elsewhere"), L"");
}

}  // namespace
