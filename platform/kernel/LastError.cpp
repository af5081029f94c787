// The last error is the calling thread's own, as on Windows: a failure on one thread never
// changes what another thread reads.
#include <windows.h>

namespace {
thread_local DWORD t_lastError = NO_ERROR;
}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
