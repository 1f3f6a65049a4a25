#include "base/log_stream.h"

#include <windows.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "gtest/gtest.h"

namespace logging {
namespace {

// Log lines must read as they did when they were written by a standard
// stream with its default settings, so each case is checked against one.
template <typename T>
void ExpectWrittenAsByStream(const T& value) {
  std::ostringstream expected;
  expected << value;
  LogStream stream;
  stream << value;
  EXPECT_EQ(expected.str(), stream.str());
}

template <typename T>
void ExpectHexAsByStream(const T& value) {
  std::ostringstream expected;
  expected << std::hex << value << ' ' << std::oct << value << std::dec << ' '
           << value;
  LogStream stream;
  stream << std::hex << value << ' ' << std::oct << value << std::dec << ' '
         << value;
  EXPECT_EQ(expected.str(), stream.str());
}

TEST(LogStreamTest, IntegersAsByStream) {
  ExpectWrittenAsByStream(0);
  ExpectWrittenAsByStream(86400);
  ExpectWrittenAsByStream(-17);
  ExpectWrittenAsByStream(std::numeric_limits<int>::min());
  ExpectWrittenAsByStream(std::numeric_limits<unsigned int>::max());
  ExpectWrittenAsByStream(static_cast<short>(-300));
  ExpectWrittenAsByStream(static_cast<unsigned short>(65535));
  ExpectWrittenAsByStream(std::numeric_limits<long>::min());
  ExpectWrittenAsByStream(static_cast<DWORD>(0xFFFFFFFF));
  ExpectWrittenAsByStream(std::numeric_limits<long long>::min());
  ExpectWrittenAsByStream(std::numeric_limits<unsigned long long>::max());
  ExpectWrittenAsByStream(static_cast<size_t>(-1));
}

TEST(LogStreamTest, HexAndOctalAsByStream) {
  ExpectHexAsByStream(0);
  ExpectHexAsByStream(255);
  // Negative values are written as the bits of their own width.
  ExpectHexAsByStream(-1);
  ExpectHexAsByStream(static_cast<short>(-1));
  ExpectHexAsByStream(static_cast<long>(-2));
  ExpectHexAsByStream(std::numeric_limits<long long>::min());
  ExpectHexAsByStream(static_cast<unsigned long>(0x80070005));
  ExpectHexAsByStream(std::numeric_limits<unsigned long long>::max());
  ExpectHexAsByStream(true);
  // Characters and floating point keep their own form in hex.
  ExpectHexAsByStream('x');
  ExpectHexAsByStream(0.5);
}

TEST(LogStreamTest, HexLastsUntilDecimal) {
  LogStream stream;
  stream << std::hex << 10 << ' ' << 11u << ' ' << std::dec << 12;
  EXPECT_EQ("a b 12", stream.str());
}

TEST(LogStreamTest, FloatingPointAsByStream) {
  for (double value :
       {0.0, -0.0, 0.5, 1.0, 86400.0, 1.5e-7, 123456.0, 1234567.0, 3.14159265,
        -2.5e100, std::numeric_limits<double>::min(),
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()}) {
    ExpectWrittenAsByStream(value);
  }
  ExpectWrittenAsByStream(0.1f);
  ExpectWrittenAsByStream(16777217.0f);
  ExpectWrittenAsByStream(2.5L);
  ExpectWrittenAsByStream(1e300L * 1e300L);
}

TEST(LogStreamTest, NotANumberIsWrittenAsNan) {
  // The sign a stream writes for a NaN depends on how the NaN was made, so
  // only the word is checked.
  LogStream stream;
  stream << std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(std::string::npos, stream.str().find("nan")) << stream.str();
}

TEST(LogStreamTest, BoolAndCharactersAsByStream) {
  ExpectWrittenAsByStream(true);
  ExpectWrittenAsByStream(false);
  ExpectWrittenAsByStream('q');
  ExpectWrittenAsByStream(static_cast<signed char>('s'));
  ExpectWrittenAsByStream(static_cast<unsigned char>('u'));
}

TEST(LogStreamTest, PointersAndHandlesAsByStream) {
  int local = 0;
  ExpectWrittenAsByStream(static_cast<const void*>(&local));
  ExpectWrittenAsByStream(&local);
  ExpectWrittenAsByStream(HKEY_LOCAL_MACHINE);
  ExpectWrittenAsByStream(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)));
  ExpectWrittenAsByStream(static_cast<const void*>(nullptr));
  ExpectWrittenAsByStream(static_cast<HKEY>(nullptr));
  // A pointer does not take the base that integers were given.
  std::ostringstream expected;
  expected << std::dec << &local;
  LogStream stream;
  stream << std::oct << &local;
  EXPECT_EQ(expected.str(), stream.str());
}

TEST(LogStreamTest, NarrowText) {
  const std::string text = "with\0nul";
  char mutable_text[] = "mutable";
  LogStream stream;
  stream << "literal|" << text << '|' << std::string_view("view", 2) << '|'
         << mutable_text << '|' << std::string(3, 'z');
  EXPECT_EQ(std::string("literal|with") + "|vi|mutable|zzz", stream.str());
}

TEST(LogStreamTest, NullStringWritesNothingAndKeepsTheRest) {
  // A stream would stop writing at a null string and drop the rest of the
  // line; the rest of a log line is worth keeping.
  const char* null_text = nullptr;
  const wchar_t* null_wide = nullptr;
  LogStream stream;
  stream << "a" << null_text << "b" << null_wide << "c" << 1;
  EXPECT_EQ("abc1", stream.str());
}

TEST(LogStreamTest, WideTextAndPathsAsUtf8) {
  const std::wstring wide = L"\u017C\u00F3\u0142w";
  LogStream stream;
  stream << wide << '|' << std::wstring_view(wide).substr(2) << '|' << L"\u4E2D"
         << '|' << base::FilePath(L"C:\\dir \u00E9") / L"f.txt";
  EXPECT_EQ(
      "\xC5\xBC\xC3\xB3\xC5\x82w|\xC5\x82w|\xE4\xB8\xAD|C:\\dir "
      "\xC3\xA9\\f.txt",
      stream.str());
}

}  // namespace
}  // namespace logging
