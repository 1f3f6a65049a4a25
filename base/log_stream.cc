#include "base/log_stream.h"

#include <stdint.h>
#include <stdio.h>

#include "base/strings/utf_string_conversions.h"

namespace logging {

namespace {

// Room for any 64-bit integer in octal or any "%g" text, with its sign.
constexpr size_t kNumberBufferSize = 32;

}  // namespace

LogStream::LogStream() = default;
LogStream::~LogStream() = default;

void LogStream::AppendUnsigned(unsigned long long value) {
  char buffer[kNumberBufferSize];
  const char* format = base_ == Base::kHex     ? "%llx"
                       : base_ == Base::kOctal ? "%llo"
                                               : "%llu";
  const int length = snprintf(buffer, sizeof(buffer), format, value);
  if (length > 0)
    text_.append(buffer, static_cast<size_t>(length));
}

// In hex and octal a negative value is written as the bits of its own type,
// as a stream does: (short)-1 gives "ffff", (int)-1 "ffffffff".
void LogStream::AppendSigned(long long value, unsigned long long as_unsigned) {
  if (base_ != Base::kDecimal) {
    AppendUnsigned(as_unsigned);
    return;
  }
  char buffer[kNumberBufferSize];
  const int length = snprintf(buffer, sizeof(buffer), "%lld", value);
  if (length > 0)
    text_.append(buffer, static_cast<size_t>(length));
}

LogStream& LogStream::operator<<(bool value) {
  text_ += value ? '1' : '0';
  return *this;
}

LogStream& LogStream::operator<<(char value) {
  text_ += value;
  return *this;
}

LogStream& LogStream::operator<<(signed char value) {
  text_ += static_cast<char>(value);
  return *this;
}

LogStream& LogStream::operator<<(unsigned char value) {
  text_ += static_cast<char>(value);
  return *this;
}

LogStream& LogStream::operator<<(short value) {
  AppendSigned(value, static_cast<unsigned short>(value));
  return *this;
}

LogStream& LogStream::operator<<(unsigned short value) {
  AppendUnsigned(value);
  return *this;
}

LogStream& LogStream::operator<<(int value) {
  AppendSigned(value, static_cast<unsigned int>(value));
  return *this;
}

LogStream& LogStream::operator<<(unsigned int value) {
  AppendUnsigned(value);
  return *this;
}

LogStream& LogStream::operator<<(long value) {
  AppendSigned(value, static_cast<unsigned long>(value));
  return *this;
}

LogStream& LogStream::operator<<(unsigned long value) {
  AppendUnsigned(value);
  return *this;
}

LogStream& LogStream::operator<<(long long value) {
  AppendSigned(value, static_cast<unsigned long long>(value));
  return *this;
}

LogStream& LogStream::operator<<(unsigned long long value) {
  AppendUnsigned(value);
  return *this;
}

LogStream& LogStream::operator<<(float value) {
  return *this << static_cast<double>(value);
}

LogStream& LogStream::operator<<(double value) {
  char buffer[kNumberBufferSize];
  const int length = snprintf(buffer, sizeof(buffer), "%.6g", value);
  if (length > 0)
    text_.append(buffer, static_cast<size_t>(length));
  return *this;
}

LogStream& LogStream::operator<<(long double value) {
  char buffer[kNumberBufferSize];
  const int length = snprintf(buffer, sizeof(buffer), "%.6Lg", value);
  if (length > 0)
    text_.append(buffer, static_cast<size_t>(length));
  return *this;
}

LogStream& LogStream::operator<<(const void* value) {
  if (!value) {
    text_ += '0';
    return *this;
  }
  char buffer[kNumberBufferSize];
  const int length = snprintf(
      buffer, sizeof(buffer), "0x%llx",
      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(value)));
  if (length > 0)
    text_.append(buffer, static_cast<size_t>(length));
  return *this;
}

LogStream& LogStream::operator<<(const char* text) {
  if (text)
    text_ += text;
  return *this;
}

LogStream& LogStream::operator<<(const std::string& text) {
  text_ += text;
  return *this;
}

LogStream& LogStream::operator<<(std::string_view text) {
  text_ += text;
  return *this;
}

LogStream& LogStream::operator<<(const wchar_t* text) {
  if (text)
    text_ += base::WideToUTF8(text);
  return *this;
}

LogStream& LogStream::operator<<(const std::wstring& text) {
  text_ += base::WideToUTF8(text);
  return *this;
}

LogStream& LogStream::operator<<(std::wstring_view text) {
  text_ += base::WideToUTF8(text);
  return *this;
}

LogStream& LogStream::operator<<(const base::FilePath& path) {
  text_ += base::WideToUTF8(path.native());
  return *this;
}

LogStream& LogStream::operator<<(
    std::ios_base& (*manipulator)(std::ios_base&)) {
  if (manipulator == &std::hex)
    base_ = Base::kHex;
  else if (manipulator == &std::dec)
    base_ = Base::kDecimal;
  else if (manipulator == &std::oct)
    base_ = Base::kOctal;
  return *this;
}

}  // namespace logging
