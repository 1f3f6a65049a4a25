#ifndef BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
#define BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// Succeed only when the whole text is a number in range: no blanks, no
// trailing characters. On failure |output| still gets the best value (the
// clamped or partial number), as callers of the original library expect.
bool StringToInt(std::string_view input, int* output);
bool StringToInt(std::wstring_view input, int* output);
bool StringToInt64(std::string_view input, int64_t* output);
bool StringToUint(std::string_view input, unsigned* output);
bool HexStringToInt(std::string_view input, int* output);

std::string NumberToString(int value);
std::string NumberToString(unsigned value);
std::string NumberToString(int64_t value);
std::string NumberToString(double value);
std::wstring NumberToWString(int value);
std::wstring NumberToWString(int64_t value);

// Upper-case hex of the bytes, two digits each.
std::string HexEncode(const void* bytes, size_t size);

}  // namespace base

#endif  // BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
