#include "base/strings/string_number_conversions.h"

#include <stdio.h>
#include <stdlib.h>

#include <limits>
#include <type_traits>

namespace base {

namespace {

template <typename Char>
bool IsAsciiWhitespace(Char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' ||
         c == '\f';
}

template <typename Char>
int DigitValue(Char c, int base) {
  int value;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'a' && c <= 'z')
    value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'Z')
    value = c - 'A' + 10;
  else
    return -1;
  return value < base ? value : -1;
}

// Parses an optionally signed number in |base|. The whole text must be
// consumed for success; |*output| gets the value read so far either way, and
// the nearest limit on overflow.
template <typename Number, typename Char>
bool ParseNumber(std::basic_string_view<Char> input, int base, Number* output) {
  using Limits = std::numeric_limits<Number>;
  bool valid = true;
  size_t i = 0;
  // Leading white space makes the text invalid, but is stepped over so that
  // the partial value can still be reported.
  while (i < input.size() && IsAsciiWhitespace(input[i])) {
    valid = false;
    ++i;
  }
  bool negative = false;
  if (i < input.size() && input[i] == '-') {
    if (!Limits::is_signed) {
      *output = 0;
      return false;
    }
    negative = true;
    ++i;
  } else if (i < input.size() && input[i] == '+') {
    ++i;
  }
  if (base == 16 && input.size() - i >= 2 && input[i] == '0' &&
      (input[i + 1] == 'x' || input[i + 1] == 'X')) {
    i += 2;
  }

  Number value = 0;
  *output = 0;
  if (i == input.size())
    return false;
  for (; i < input.size(); ++i) {
    const int digit = DigitValue(input[i], base);
    if (digit < 0) {
      *output = value;
      return false;
    }
    if (!negative) {
      if (value > (Limits::max() - digit) / base) {
        *output = Limits::max();
        return false;
      }
      value = static_cast<Number>(value * base + digit);
    } else {
      if (value < (Limits::min() + digit) / base) {
        *output = Limits::min();
        return false;
      }
      value = static_cast<Number>(value * base - digit);
    }
  }
  *output = value;
  return valid;
}

template <typename String, typename Number>
String IntToStringT(Number value) {
  using Unsigned = std::make_unsigned_t<Number>;
  const bool negative = value < 0;
  // Negating the most negative value overflows; work on the unsigned form.
  Unsigned magnitude =
      negative ? static_cast<Unsigned>(0) - static_cast<Unsigned>(value)
               : static_cast<Unsigned>(value);
  typename String::value_type buffer[24];
  size_t position = sizeof(buffer) / sizeof(buffer[0]);
  do {
    buffer[--position] =
        static_cast<typename String::value_type>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative)
    buffer[--position] = '-';
  return String(buffer + position, buffer + sizeof(buffer) / sizeof(buffer[0]));
}

}  // namespace

bool StringToInt(std::string_view input, int* output) {
  return ParseNumber(input, 10, output);
}

bool StringToInt(std::wstring_view input, int* output) {
  return ParseNumber(input, 10, output);
}

bool StringToInt64(std::string_view input, int64_t* output) {
  return ParseNumber(input, 10, output);
}

bool StringToUint(std::string_view input, unsigned* output) {
  return ParseNumber(input, 10, output);
}

bool HexStringToInt(std::string_view input, int* output) {
  return ParseNumber(input, 16, output);
}

std::string NumberToString(int value) {
  return IntToStringT<std::string>(value);
}

std::string NumberToString(unsigned value) {
  return IntToStringT<std::string>(value);
}

std::string NumberToString(int64_t value) {
  return IntToStringT<std::string>(value);
}

std::string NumberToString(double value) {
  // The shortest text that reads back as the same double.
  char buffer[32];
  for (int precision = 1; precision <= 17; ++precision) {
    snprintf(buffer, sizeof(buffer), "%.*g", precision, value);
    if (strtod(buffer, nullptr) == value)
      break;
  }
  return buffer;
}

std::wstring NumberToWString(int value) {
  return IntToStringT<std::wstring>(value);
}

std::wstring NumberToWString(int64_t value) {
  return IntToStringT<std::wstring>(value);
}

std::string HexEncode(const void* bytes, size_t size) {
  static const char kHexChars[] = "0123456789ABCDEF";
  const unsigned char* data = static_cast<const unsigned char*>(bytes);
  std::string result;
  result.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    result.push_back(kHexChars[data[i] >> 4]);
    result.push_back(kHexChars[data[i] & 0xF]);
  }
  return result;
}

}  // namespace base
