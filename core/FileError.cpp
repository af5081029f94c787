#include "FileError.h"

namespace {
const LPCTSTR kCauseTexts[] = {
    _T("No error occurred."),
    _T("An unknown error occurred while accessing %1."),
    _T("%1 was not found."),
    _T("%1 contains an invalid path."),
    _T("%1 could not be opened because there are too many open files."),
    _T("Access to %1 was denied."),
    _T("An invalid file handle was associated with %1."),
    _T("%1 could not be removed because it is the current directory."),
    _T("%1 could not be created because the directory is full."),
    _T("Seek failed on %1"),
    _T("A hardware I/O error was reported while accessing %1."),
    _T("A sharing violation occurred while accessing %1."),
    _T("A locking violation occurred while accessing %1."),
    _T("Disk full while accessing %1."),
    _T("An attempt was made to access %1 past its end."),
};
}  // namespace

int FileError::CauseFromOsError(DWORD osError) {
  switch (osError) {
    case NO_ERROR:
      return none;
    case ERROR_FILE_NOT_FOUND:
      return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return accessDenied;
    case ERROR_INVALID_HANDLE:
      return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
      return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
      return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE:
      return badSeek;
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return hardIO;
    case ERROR_SHARING_VIOLATION:
      return sharingViolation;
    case ERROR_LOCK_VIOLATION:
      return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return diskFull;
    case ERROR_HANDLE_EOF:
      return endOfFile;
    default:
      return generic;
  }
}

CString FileError::GetErrorMessage() const {
  const int index = (cause_ >= none && cause_ <= endOfFile) ? cause_ : generic;
  const CString name = fileName_.IsEmpty() ? CString(_T("an unnamed file")) : fileName_;
  CString text;
  for (LPCTSTR p = kCauseTexts[index]; *p != 0; ++p) {
    if (p[0] == L'%' && p[1] == L'1') {
      text += name;
      ++p;
    } else {
      text += *p;
    }
  }
  return text;
}
