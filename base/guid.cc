#include "base/guid.h"

#include <windows.h>

#include <ntsecapi.h>

#include <random>

namespace base {

namespace {

void FillRandom(unsigned char* bytes, size_t size) {
  if (::RtlGenRandom(bytes, static_cast<ULONG>(size)))
    return;
  // The system generator is always there on supported Windows versions;
  // this only keeps the result random if it ever is not.
  std::random_device device;
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>(device());
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

}  // namespace

std::string GenerateGUID() {
  unsigned char bytes[16];
  FillRandom(bytes, sizeof(bytes));
  // Version 4 (random) and the variant of RFC 4122.
  bytes[6] = (bytes[6] & 0x0F) | 0x40;
  bytes[8] = (bytes[8] & 0x3F) | 0x80;

  static const char kHexChars[] = "0123456789abcdef";
  std::string guid;
  guid.reserve(36);
  for (size_t i = 0; i < sizeof(bytes); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10)
      guid.push_back('-');
    guid.push_back(kHexChars[bytes[i] >> 4]);
    guid.push_back(kHexChars[bytes[i] & 0xF]);
  }
  return guid;
}

bool IsValidGUID(const std::string& guid) {
  if (guid.size() != 36)
    return false;
  for (size_t i = 0; i < guid.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (guid[i] != '-')
        return false;
    } else if (!IsHexDigit(guid[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace base
