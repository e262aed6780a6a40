#pragma once

#include <windows.h>

#include <string>

// Text at the Windows system's door: the core's UTF-8 in, the system's wide
// characters out, and the system's own words for an error code.
namespace fw::platform {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* wide);
// FormatMessage's words for `code`, without the final full stop and line
// end ("The system cannot find the file specified").
std::string SystemWords(DWORD code);

}  // namespace fw::platform
