#include <windows.h>

#include <string>

#include "desktop/windows/product_info/product_info.h"
#include "gtest/gtest.h"

// This test program carries no product description of its own, as a program
// of the browser installation might not; the module _ulvautolib.pyd next to
// it (a small DLL of ours holding only the description) stands in for the
// browser's module of that name.

namespace product_info {
namespace {

constexpr wchar_t kFallbackModule[] = L"_ulvautolib.pyd";

TEST(ProductInfoFallbackTest, ReadsDescriptionFromBrowserModule) {
  ASSERT_EQ(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(133), L"TXT"));
  ASSERT_EQ(nullptr, GetModuleHandleW(kFallbackModule));

  EXPECT_EQ("Ulvena", GetProductName());
  EXPECT_EQ("Ulvena Software/Ulvena {InternalStream}",
            GetDefaultProfilePathTemplate());

  // The module stays loaded, and what was read is exactly its resource.
  HMODULE module = GetModuleHandleW(kFallbackModule);
  ASSERT_NE(nullptr, module);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(133), L"TXT");
  ASSERT_NE(nullptr, resource);
  const char* data =
      static_cast<const char*>(LockResource(LoadResource(module, resource)));
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(std::string(data, SizeofResource(module, resource)),
            ReadProductInfoResource());
}

}  // namespace
}  // namespace product_info
