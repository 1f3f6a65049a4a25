#include "base/strings/string_number_conversions.h"

#include <limits>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(StringNumberConversionsTest, StringToInt) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  struct {
    const char* input;
    int output;
    bool success;
  } cases[] = {
      {"0", 0, true},
      {"42", 42, true},
      {"-2147483648", kMin, true},
      {"2147483647", kMax, true},
      {"+17", 17, true},
      {"-0", 0, true},
      {"007", 7, true},
      {"", 0, false},
      {" 42", 42, false},
      {"42 ", 42, false},
      {"\t\n42", 42, false},
      {"42x", 42, false},
      {"x42", 0, false},
      {"4 2", 4, false},
      {"-", 0, false},
      {"+", 0, false},
      {"--1", 0, false},
      {"+-1", 0, false},
      {"-273.15", -273, false},
      {"2147483648", kMax, false},
      {"99999999999", kMax, false},
      {"-2147483649", kMin, false},
      {"0x10", 0, false},
  };
  for (const auto& c : cases) {
    int output = 12345;
    EXPECT_EQ(c.success, StringToInt(c.input, &output)) << c.input;
    EXPECT_EQ(c.output, output) << c.input;
  }

  int wide_output = 0;
  EXPECT_TRUE(StringToInt(std::wstring_view(L"-120"), &wide_output));
  EXPECT_EQ(-120, wide_output);
  EXPECT_FALSE(StringToInt(std::wstring_view(L"12\u0661"), &wide_output));
}

TEST(StringNumberConversionsTest, OtherWidthsAndBases) {
  int64_t value64 = 0;
  EXPECT_TRUE(StringToInt64("-9223372036854775808", &value64));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), value64);
  EXPECT_FALSE(StringToInt64("9223372036854775808", &value64));
  EXPECT_EQ(std::numeric_limits<int64_t>::max(), value64);

  unsigned unsigned_value = 1;
  EXPECT_TRUE(StringToUint("4294967295", &unsigned_value));
  EXPECT_EQ(4294967295u, unsigned_value);
  EXPECT_FALSE(StringToUint("-1", &unsigned_value));
  EXPECT_EQ(0u, unsigned_value);

  int hex = 0;
  EXPECT_TRUE(HexStringToInt("0x1f", &hex));
  EXPECT_EQ(31, hex);
  EXPECT_TRUE(HexStringToInt("7FFFFFFF", &hex));
  EXPECT_EQ(std::numeric_limits<int>::max(), hex);
  EXPECT_FALSE(HexStringToInt("80000000", &hex));
  EXPECT_FALSE(HexStringToInt("0x", &hex));
  EXPECT_FALSE(HexStringToInt("1g", &hex));
}

TEST(StringNumberConversionsTest, NumberToString) {
  EXPECT_EQ("-2147483648", NumberToString(std::numeric_limits<int>::min()));
  EXPECT_EQ("4294967295", NumberToString(4294967295u));
  EXPECT_EQ("-9223372036854775808",
            NumberToString(std::numeric_limits<int64_t>::min()));
  EXPECT_EQ(L"-15", NumberToWString(-15));
  EXPECT_EQ(L"1700000000000", NumberToWString(int64_t{1700000000000}));

  // Doubles: the shortest text that reads back the same.
  EXPECT_EQ("0", NumberToString(0.0));
  EXPECT_EQ("0.1", NumberToString(0.1));
  EXPECT_EQ("1.5", NumberToString(1.5));
  EXPECT_EQ("1700000000.25", NumberToString(1700000000.25));
  const double third = 1.0 / 3.0;
  EXPECT_EQ(third, std::stod(NumberToString(third)));
}

}  // namespace
}  // namespace base
