// Readable failure messages for the framework's wide strings.
#pragma once

#include <ostream>
#include <string>

#include <afxstr.h>

// Wide text as printable ASCII: other characters as \x{hex}.
std::string Printable(const wchar_t* text);

// Found by GoogleTest through argument-dependent lookup.
void PrintTo(const CString& s, std::ostream* os);
