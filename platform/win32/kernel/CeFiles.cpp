// Windows CE's one-step replacement of a file, over desktop Windows' MoveFileEx.
#include <windows.h>

BOOL DeleteAndRenameFile(LPCWSTR lpszOldFileName, LPCWSTR lpszNewFileName) {
  // The file replaced must be there, as on Windows CE; MoveFileEx alone would make it.
  if (GetFileAttributesW(lpszOldFileName) == INVALID_FILE_ATTRIBUTES) return FALSE;
  return MoveFileExW(lpszNewFileName, lpszOldFileName, MOVEFILE_REPLACE_EXISTING);
}
