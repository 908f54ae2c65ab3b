#pragma once

#include <string>
#include <string_view>

namespace quillaro {

// The program keeps text as UTF-8; the Windows API takes and gives UTF-16.
// These convert at that boundary so a name is never forced through an ANSI
// code page, where letters outside it would be lost. A sequence that cannot
// be converted becomes U+FFFD.
std::wstring toUtf16(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);

// The system's own wording of a Win32 error number, without the line end.
std::string windowsErrorText(unsigned long errorNumber);

} // namespace quillaro
