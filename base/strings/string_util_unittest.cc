#include "base/strings/string_util.h"

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(StringUtilTest, ReplaceDoesNotSearchInsertedText) {
  std::string text = "a";
  ReplaceSubstringsAfterOffset(&text, 0, "a", "aa");
  EXPECT_EQ("aa", text);

  text = "abcabc";
  ReplaceSubstringsAfterOffset(&text, 1, "abc", "X");
  EXPECT_EQ("abcX", text);

  text = "aaa";
  ReplaceSubstringsAfterOffset(&text, 0, "a", "");
  EXPECT_EQ("", text);

  // An empty pattern changes nothing rather than looping.
  text = "abc";
  ReplaceSubstringsAfterOffset(&text, 0, "", "x");
  EXPECT_EQ("abc", text);
  ReplaceSubstringsAfterOffset(&text, 10, "a", "x");
  EXPECT_EQ("abc", text);

  std::wstring wide = L"{A}/{A}";
  ReplaceSubstringsAfterOffset(&wide, 0, L"{A}", L"{A}{A}");
  EXPECT_EQ(L"{A}{A}/{A}{A}", wide);

  wide = L"<U>\\<U>";
  ReplaceFirstSubstringAfterOffset(&wide, 0, L"<U>", L"bob");
  EXPECT_EQ(L"bob\\<U>", wide);
  ReplaceFirstSubstringAfterOffset(&wide, 0, L"missing", L"x");
  EXPECT_EQ(L"bob\\<U>", wide);
}

TEST(StringUtilTest, TrimAndSplit) {
  EXPECT_EQ("a b", TrimWhitespaceASCII(" \t\r\na b\v\f "));
  EXPECT_EQ("", TrimWhitespaceASCII("  \n"));
  EXPECT_EQ(L"x", TrimWhitespace(L"\r\nx\r\n"));

  EXPECT_EQ((std::vector<std::string>{"a", "", "b", ""}),
            SplitString("a,,b,", ','));
  EXPECT_TRUE(SplitString("", ',').empty());
}

TEST(StringUtilTest, StringPrintf) {
  EXPECT_EQ("7 0x1F -3 abc 1.50",
            StringPrintf("%d 0x%X %lld %s %.2f", 7, 31, -3LL, "abc", 1.5));
  EXPECT_EQ("", StringPrintf("%s", ""));
  const std::string long_text(5000, 'x');
  EXPECT_EQ(long_text + "!", StringPrintf("%s!", long_text.c_str()));
}

}  // namespace
}  // namespace base
