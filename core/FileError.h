// The failure of a schedule-file operation: a cause code and the name shown in its message.
#pragma once

#include <afxstr.h>
#include <windows.h>

class FileError {
 public:
  enum Cause {
    none = 0,
    generic = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  FileError(int cause, const CString& fileName) : cause_(cause), fileName_(fileName) {}

  // The cause that a platform error code stands for; anything unknown is generic.
  static int CauseFromOsError(DWORD osError);
  static FileError FromOsError(DWORD osError, const CString& fileName) {
    return FileError(CauseFromOsError(osError), fileName);
  }

  int cause() const { return cause_; }
  const CString& fileName() const { return fileName_; }
  // The cause's text with "%1" replaced by the file name ("an unnamed file" when empty).
  CString GetErrorMessage() const;

 private:
  int cause_;
  CString fileName_;
};
