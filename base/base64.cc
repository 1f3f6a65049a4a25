#include "base/base64.h"

namespace base {

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(std::string_view input) {
  std::string output;
  output.reserve((input.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= input.size(); i += 3) {
    const uint32_t triple = (static_cast<unsigned char>(input[i]) << 16) |
                            (static_cast<unsigned char>(input[i + 1]) << 8) |
                            static_cast<unsigned char>(input[i + 2]);
    output.push_back(kAlphabet[(triple >> 18) & 0x3F]);
    output.push_back(kAlphabet[(triple >> 12) & 0x3F]);
    output.push_back(kAlphabet[(triple >> 6) & 0x3F]);
    output.push_back(kAlphabet[triple & 0x3F]);
  }
  const size_t rest = input.size() - i;
  if (rest > 0) {
    uint32_t triple = static_cast<unsigned char>(input[i]) << 16;
    if (rest == 2)
      triple |= static_cast<unsigned char>(input[i + 1]) << 8;
    output.push_back(kAlphabet[(triple >> 18) & 0x3F]);
    output.push_back(kAlphabet[(triple >> 12) & 0x3F]);
    output.push_back(rest == 2 ? kAlphabet[(triple >> 6) & 0x3F] : '=');
    output.push_back('=');
  }
  return output;
}

bool Base64Decode(std::string_view input, std::string* output) {
  // Padding is optional, but when present it must complete the last group.
  size_t padding = 0;
  while (padding < 2 && padding < input.size() &&
         input[input.size() - 1 - padding] == '=') {
    ++padding;
  }
  if (padding > 0 && input.size() % 4 != 0)
    return false;
  const std::string_view data = input.substr(0, input.size() - padding);
  // One character alone cannot carry a whole byte.
  if (data.size() % 4 == 1)
    return false;

  std::string result;
  result.reserve(data.size() / 4 * 3 + 2);
  uint32_t accumulator = 0;
  int bits = 0;
  for (char c : data) {
    const int value = DecodeChar(c);
    if (value < 0)
      return false;
    accumulator = (accumulator << 6) | value;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      result.push_back(static_cast<char>((accumulator >> bits) & 0xFF));
    }
  }
  output->swap(result);
  return true;
}

}  // namespace base
