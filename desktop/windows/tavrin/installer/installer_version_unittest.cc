#include "desktop/windows/tavrin/installer/installer_version.h"

#include <string>

#include "desktop/windows/product_info/product_info.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

class InstallerVersionTest : public testing::Test {
 protected:
  void TearDown() override {
    product_info::SetProductInfoReaderForTesting(nullptr);
  }

  // Stands in for a product description other than the built-in one.
  void UseDescription(const std::string& text) {
    product_info::SetProductInfoReaderForTesting([text] { return text; });
  }
};

TEST_F(InstallerVersionTest, BuiltInDescription) {
  EXPECT_EQ(0, GetMajorDelta());
  EXPECT_FALSE(UseChromiumMajorForMinor());
  EXPECT_EQ(53, GetChromiumMajorVersion());
  EXPECT_EQ(0, GetMinorVersion());
  EXPECT_EQ("40.0.2308.17697", GetVersion());
  EXPECT_EQ("2308.17697", GetInternalVersion());
}

TEST_F(InstallerVersionTest, MajorDeltaAndEngineMajorAsMinor) {
  UseDescription(R"({"major_delta": 2, "use_chromium_major_for_minor": true})");
  EXPECT_EQ(2, GetMajorDelta());
  EXPECT_TRUE(UseChromiumMajorForMinor());
  EXPECT_EQ(53, GetMinorVersion());
  EXPECT_EQ("42.53.2308.17697", GetVersion());
  EXPECT_EQ("2308.17697", GetInternalVersion());

  UseDescription(R"({"major_delta": 2})");
  EXPECT_EQ("42.0.2308.17697", GetVersion());

  UseDescription(R"({"use_chromium_major_for_minor": true})");
  EXPECT_EQ("40.53.2308.17697", GetVersion());

  UseDescription(R"({"major_delta": -3})");
  EXPECT_EQ("37.0.2308.17697", GetVersion());
}

TEST_F(InstallerVersionTest, MissingOrMistypedKeysCountAsZeroAndFalse) {
  for (const char* text :
       {"{}", R"({"major_delta": "2", "use_chromium_major_for_minor": "true"})",
        R"({"major_delta": 2.5, "use_chromium_major_for_minor": 1})",
        R"({"major_delta": true, "use_chromium_major_for_minor": null})",
        R"({"major_delta": [2], "use_chromium_major_for_minor": {}})",
        R"({"major_delta": {"x": 2}, "use_chromium_major_for_minor": [true]})",
        "not json"}) {
    UseDescription(text);
    EXPECT_EQ(0, GetMajorDelta()) << text;
    EXPECT_FALSE(UseChromiumMajorForMinor()) << text;
    EXPECT_EQ(0, GetMinorVersion()) << text;
    EXPECT_EQ("40.0.2308.17697", GetVersion()) << text;
  }
}

TEST_F(InstallerVersionTest, ProductInfoBoolFollowsDottedPaths) {
  UseDescription(R"({"flag": true, "off": false, "a": {"b": true},
                     "text": "true", "one": 1})");
  EXPECT_TRUE(GetProductInfoBool("flag"));
  EXPECT_TRUE(GetProductInfoBool("a.b"));
  EXPECT_FALSE(GetProductInfoBool("off"));
  EXPECT_FALSE(GetProductInfoBool("a"));
  EXPECT_FALSE(GetProductInfoBool("a.c"));
  EXPECT_FALSE(GetProductInfoBool("text"));
  EXPECT_FALSE(GetProductInfoBool("one"));
  EXPECT_FALSE(GetProductInfoBool("absent"));
}

}  // namespace
}  // namespace installer
