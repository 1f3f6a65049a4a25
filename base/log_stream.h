#ifndef BASE_LOG_STREAM_H_
#define BASE_LOG_STREAM_H_

#include <ios>
#include <string>
#include <string_view>

#include "base/files/file_path.h"

namespace logging {

// The text of one log line. It writes what log lines hold the way
// std::ostream's defaults write them (integers in decimal, or in hex after
// std::hex; floating point as "%g" with six digits; bool as 1 or 0;
// pointers as "0x..." hex), so that lines read as they always have, but
// formats with snprintf: a stream would link the standard library's locale
// and facet code into every program, which is most of a lean program's size.
// Wide text and paths are written as UTF-8; a path plain, not quoted.
class LogStream {
 public:
  LogStream();
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;
  ~LogStream();

  LogStream& operator<<(bool value);
  LogStream& operator<<(char value);
  LogStream& operator<<(signed char value);
  LogStream& operator<<(unsigned char value);
  LogStream& operator<<(short value);
  LogStream& operator<<(unsigned short value);
  LogStream& operator<<(int value);
  LogStream& operator<<(unsigned int value);
  LogStream& operator<<(long value);
  LogStream& operator<<(unsigned long value);
  LogStream& operator<<(long long value);
  LogStream& operator<<(unsigned long long value);
  LogStream& operator<<(float value);
  LogStream& operator<<(double value);
  LogStream& operator<<(long double value);
  // Any other pointer, HKEY and HANDLE included. A null one writes "0".
  LogStream& operator<<(const void* value);
  // A null string writes nothing; what follows it is still written.
  LogStream& operator<<(const char* text);
  LogStream& operator<<(const std::string& text);
  LogStream& operator<<(std::string_view text);
  LogStream& operator<<(const wchar_t* text);
  LogStream& operator<<(const std::wstring& text);
  LogStream& operator<<(std::wstring_view text);
  LogStream& operator<<(const base::FilePath& path);
  // std::hex, std::dec and std::oct set the base of the integers that
  // follow; other manipulators change nothing.
  LogStream& operator<<(std::ios_base& (*manipulator)(std::ios_base&));

  // Characters that have no text of their own in a narrow line.
  LogStream& operator<<(wchar_t) = delete;
  LogStream& operator<<(char8_t) = delete;
  LogStream& operator<<(char16_t) = delete;
  LogStream& operator<<(char32_t) = delete;

  const std::string& str() const { return text_; }
  size_t size() const { return text_.size(); }

 private:
  enum class Base { kDecimal, kHex, kOctal };

  void AppendSigned(long long value, unsigned long long as_unsigned);
  void AppendUnsigned(unsigned long long value);

  std::string text_;
  Base base_ = Base::kDecimal;
};

}  // namespace logging

#endif  // BASE_LOG_STREAM_H_
