#include "base/strings/utf_string_conversions.h"

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(UTFStringConversionsTest, RoundTripsNonASCIIText) {
  struct {
    const char* utf8;
    const wchar_t* wide;
  } cases[] = {
      {"", L""},
      {"plain ASCII", L"plain ASCII"},
      {"Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 "
       "ja\xC5\xBA\xC5\x84",
       L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
       L"\u041F\u0440\u0438\u0432\u0435\u0442"},
      {"\xE4\xBD\xA0\xE5\xA5\xBD", L"\u4F60\u597D"},
      // U+1F600 needs a surrogate pair in UTF-16.
      {"smile \xF0\x9F\x98\x80!", L"smile \xD83D\xDE00!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.wide, UTF8ToWide(c.utf8)) << c.utf8;
    EXPECT_EQ(c.utf8, WideToUTF8(c.wide)) << c.utf8;
  }
}

TEST(UTFStringConversionsTest, InvalidInputBecomesReplacementCharacter) {
  // A stray continuation byte, a truncated sequence, an overlong '/', an
  // encoded surrogate and a byte that never occurs in UTF-8.
  EXPECT_EQ(L"a\uFFFDb", UTF8ToWide("a\x80"
                                    "b"));
  EXPECT_EQ(L"a\uFFFD", UTF8ToWide("a\xE4\xBD"));
  EXPECT_EQ(L"\uFFFD\uFFFD", UTF8ToWide("\xC0\xAF"));
  EXPECT_EQ(L"\uFFFD\uFFFD\uFFFDx", UTF8ToWide("\xED\xA0\x80x"));
  EXPECT_EQ(L"\uFFFDok", UTF8ToWide("\xFFok"));
  // The character after a broken sequence is not swallowed.
  EXPECT_EQ(L"\uFFFD\u4F60", UTF8ToWide("\xE4\xE4\xBD\xA0"));

  // Unpaired surrogates on the wide side.
  EXPECT_EQ(
      "\xEF\xBF\xBD"
      "a",
      WideToUTF8(std::wstring(L"\xD83D") + L"a"));
  EXPECT_EQ("a\xEF\xBF\xBD", WideToUTF8(std::wstring(L"a") + L"\xDE00"));
}

}  // namespace
}  // namespace base
