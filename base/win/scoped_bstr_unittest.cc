#include "base/win/scoped_bstr.h"

#include <string>

#include "gtest/gtest.h"

namespace base {
namespace win {

namespace {

TEST(ScopedBstrTest, StartsNullAndReadsAsEmpty) {
  ScopedBstr bstr;
  EXPECT_EQ(nullptr, bstr.Get());
  EXPECT_EQ(0u, bstr.Length());
  EXPECT_EQ(L"", bstr.ToWide());
  EXPECT_EQ("", bstr.ToUTF8());
}

TEST(ScopedBstrTest, CopiesTextWithEmbeddedNuls) {
  const std::wstring text(L"a\0b\u00e9", 4);
  ScopedBstr bstr(text);
  ASSERT_NE(nullptr, bstr.Get());
  EXPECT_EQ(4u, bstr.Length());
  EXPECT_EQ(text, bstr.ToWide());
  EXPECT_EQ(std::string("a\0b\xc3\xa9", 5), bstr.ToUTF8());
}

TEST(ScopedBstrTest, ReleaseHandsOverOwnership) {
  BSTR released;
  {
    ScopedBstr bstr(L"kept");
    released = bstr.Release();
    EXPECT_EQ(nullptr, bstr.Get());
  }
  // Still valid after the owner went: it was not freed behind our back.
  EXPECT_EQ(4u, ::SysStringLen(released));
  EXPECT_EQ(std::wstring(L"kept"), std::wstring(released));
  ::SysFreeString(released);
}

TEST(ScopedBstrTest, ResetAndReceiveFreeTheOldString) {
  ScopedBstr bstr(L"first");
  BSTR second = ::SysAllocString(L"second");
  bstr.Reset(second);
  EXPECT_EQ(second, bstr.Get());
  // Resetting to the string it already owns must not free it.
  bstr.Reset(second);
  EXPECT_EQ(L"second", bstr.ToWide());

  BSTR* slot = bstr.Receive();
  EXPECT_EQ(nullptr, *slot);
  *slot = ::SysAllocString(L"third");
  EXPECT_EQ(L"third", bstr.ToWide());
  bstr.Reset();
  EXPECT_EQ(nullptr, bstr.Get());
}

}  // namespace

}  // namespace win
}  // namespace base
