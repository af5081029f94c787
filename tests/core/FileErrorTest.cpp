#include <gtest/gtest.h>

#include "FileError.h"

namespace {

TEST(FileError, EveryCauseHasItsText) {
  const wchar_t* expected[] = {
      L"No error occurred.",
      L"An unknown error occurred while accessing F.",
      L"F was not found.",
      L"F contains an invalid path.",
      L"F could not be opened because there are too many open files.",
      L"Access to F was denied.",
      L"An invalid file handle was associated with F.",
      L"F could not be removed because it is the current directory.",
      L"F could not be created because the directory is full.",
      L"Seek failed on F",
      L"A hardware I/O error was reported while accessing F.",
      L"A sharing violation occurred while accessing F.",
      L"A locking violation occurred while accessing F.",
      L"Disk full while accessing F.",
      L"An attempt was made to access F past its end.",
  };
  for (int cause = 0; cause <= 14; ++cause) {
    EXPECT_EQ(FileError(cause, L"F").GetErrorMessage(), CString(expected[cause])) << cause;
  }
}

TEST(FileError, EmptyNameIsAnUnnamedFile) {
  EXPECT_EQ(FileError(FileError::fileNotFound, L"").GetErrorMessage(),
            CString(L"an unnamed file was not found."));
}

TEST(FileError, PlatformCodesMapByMeaning) {
  const struct {
    DWORD code;
    int cause;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, 2},    {ERROR_PATH_NOT_FOUND, 3},
      {ERROR_INVALID_NAME, 3},      {ERROR_TOO_MANY_OPEN_FILES, 4},
      {ERROR_ACCESS_DENIED, 5},     {ERROR_WRITE_PROTECT, 5},
      {ERROR_INVALID_HANDLE, 6},    {ERROR_CURRENT_DIRECTORY, 7},
      {ERROR_CANNOT_MAKE, 8},       {ERROR_SEEK, 9},
      {ERROR_IO_DEVICE, 10},        {ERROR_SHARING_VIOLATION, 11},
      {ERROR_LOCK_VIOLATION, 12},   {ERROR_DISK_FULL, 13},
      {ERROR_HANDLE_DISK_FULL, 13}, {ERROR_HANDLE_EOF, 14},
      {ERROR_INVALID_PARAMETER, 1}, {99999, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(FileError::CauseFromOsError(c.code), c.cause) << c.code;
}

}  // namespace
