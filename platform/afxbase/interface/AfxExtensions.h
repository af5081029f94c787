// The framework's names beside MFC's: what the device's framework offers its own tests and tools.
// No program reaches this header (cmake/Layers.cmake checks that the program sees only the SDK
// headers, and that none of them declares a name listed there as a device extension).
#pragma once

#include <vector>

#include <afxstr.h>

// Splits a command line as CWinApp::ParseCommandLine does.
std::vector<CString> AfxSplitCommandLine(LPCTSTR lpCmdLine);
