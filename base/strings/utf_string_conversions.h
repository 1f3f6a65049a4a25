#ifndef BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
#define BASE_STRINGS_UTF_STRING_CONVERSIONS_H_

#include <string>
#include <string_view>

namespace base {

// wchar_t is UTF-16 on Windows. Invalid input is replaced by U+FFFD.
std::wstring UTF8ToWide(std::string_view utf8);
std::string WideToUTF8(std::wstring_view wide);
// ASCII text only: each byte becomes one character and back.
std::wstring ASCIIToWide(std::string_view ascii);
std::string WideToASCII(std::wstring_view wide);
bool IsStringASCII(std::string_view text);
bool IsStringASCII(std::wstring_view text);

// The system's ANSI code page, for interfaces that take narrow text.
std::string SysWideToNativeMB(std::wstring_view wide);
std::wstring SysNativeMBToWide(std::string_view native);

}  // namespace base

#endif  // BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
