#include "desktop/windows/product_info/product_info.h"

#include <windows.h>

#include <optional>
#include <string>

#include "base/json/json_reader.h"
#include "gtest/gtest.h"
#include "tests/test/program_runner.h"

// This test program carries the product description ("TXT" 133) itself; the
// module _ulvautolib.pyd lies next to it, so a wrong fallback would load it.

namespace product_info {
namespace {

constexpr wchar_t kFallbackModule[] = L"_ulvautolib.pyd";

class ProductInfoTest : public testing::Test {
 protected:
  void TearDown() override { SetProductInfoReaderForTesting(nullptr); }

  // Makes |text| the description the next getter parses.
  void UseDescription(const std::string& text) {
    SetProductInfoReaderForTesting([text] { return text; });
  }
};

TEST_F(ProductInfoTest, BuiltInDescriptionComesFromOwnResource) {
  ASSERT_NE(GetFileAttributesW(
                tavrin_test::GetProgramNextToTest(kFallbackModule).c_str()),
            INVALID_FILE_ATTRIBUTES)
      << "the fallback module must be present for this test to mean much";

  EXPECT_EQ("Ulvena", GetProductName());
  EXPECT_EQ("Ulvena Software/Ulvena {InternalStream}",
            GetDefaultProfilePathTemplate());
  EXPECT_EQ(nullptr, GetModuleHandleW(kFallbackModule));

  // Text read straight from the resource equals the parsed description.
  std::optional<base::Value> again =
      base::JSONReader::Read(ReadProductInfoResource());
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(*GetProductInfo(), *again);
  EXPECT_EQ(nullptr, GetModuleHandleW(kFallbackModule));

  // An integer is no string.
  EXPECT_EQ("", GetProductInfoString("major_delta"));
  EXPECT_EQ("", GetProductInfoString("no_such_key"));
}

TEST_F(ProductInfoTest, BuiltInDescriptionHasEveryKeyWithItsType) {
  const base::Value& info = *GetProductInfo();
  for (const char* key :
       {"company_name", "crash_log_product_sufix",
        "default_profile_path_template", "domain", "expected_signer",
        "file_name_base", "partner_image_download_url_parameter",
        "product_name", "shortcut_suffix", "sitecheck_host", "user_agent_name",
        "visible_product_name", "webui_scheme"}) {
    ASSERT_TRUE(info.contains(key)) << key;
    EXPECT_TRUE(info[key].is_string()) << key;
  }
  for (const char* key : {"app_container_sid_prefixes", "pref_defaults",
                          "ui_constants", "urls"}) {
    ASSERT_TRUE(info.contains(key)) << key;
    EXPECT_TRUE(info[key].is_object()) << key;
  }
  for (const char* stream : {"nightly", "developer", "beta", "Stable"}) {
    EXPECT_FALSE(GetProductInfoString(
                     std::string("app_container_sid_prefixes.") + stream)
                     .empty())
        << stream;
  }
  EXPECT_EQ(base::Value(0), info["major_delta"]);
  EXPECT_EQ(base::Value(false), info["use_chromium_major_for_minor"]);
  EXPECT_EQ(base::Value(true), info["schedule_autoupdate_task"]);
  EXPECT_EQ(base::Value(6), info["welcome_page_timeout"]);
  EXPECT_EQ(base::Value(false), info["white_labeled"]);

  // Host names stay under domains reserved for examples.
  for (const auto& item : info["urls"].items()) {
    const std::string url = item.value().get<std::string>();
    EXPECT_NE(std::string::npos, url.find(".example.")) << url;
  }
  EXPECT_NE(std::string::npos,
            GetProductInfoString("domain").find(".example."));
  EXPECT_NE(std::string::npos,
            GetProductInfoString("sitecheck_host").find(".example."));
}

TEST_F(ProductInfoTest, StringGetterReadsOnlyStrings) {
  UseDescription(R"({"name": "N", "count": 7, "flag": true, "real": 1.5,
                     "list": ["a"], "nested": {"inner": {"leaf": "L"}},
                     "dotted.key": "D"})");
  EXPECT_EQ("N", GetProductInfoString("name"));
  EXPECT_EQ("L", GetProductInfoString("nested.inner.leaf"));
  EXPECT_EQ("", GetProductInfoString("absent"));
  EXPECT_EQ("", GetProductInfoString("nested.absent"));
  EXPECT_EQ("", GetProductInfoString("name.deeper"));
  EXPECT_EQ("", GetProductInfoString("count"));
  EXPECT_EQ("", GetProductInfoString("flag"));
  EXPECT_EQ("", GetProductInfoString("real"));
  EXPECT_EQ("", GetProductInfoString("list"));
  EXPECT_EQ("", GetProductInfoString("nested"));
  // A '.' always opens a nested dictionary, so this key cannot be reached.
  EXPECT_EQ("", GetProductInfoString("dotted.key"));
}

TEST_F(ProductInfoTest, ParsesOnce) {
  int reads = 0;
  SetProductInfoReaderForTesting([&reads] {
    ++reads;
    return std::string(R"({"product_name": "Once"})");
  });
  const base::Value* first = GetProductInfo();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(first, GetProductInfo());
    EXPECT_EQ("Once", GetProductName());
    GetDefaultProfilePathTemplate();
    GetProductInfoString("absent");
  }
  EXPECT_EQ(1, reads);
}

TEST_F(ProductInfoTest, UnusableDescriptionReadsAsEmpty) {
  for (const char* text :
       {"", "not json", "[\"product_name\", \"X\"]", "\"Ulvena\"", "42", "null",
        "{\"product_name\": \"cut", "{} trailing"}) {
    UseDescription(text);
    const base::Value* info = GetProductInfo();
    ASSERT_NE(nullptr, info) << text;
    EXPECT_TRUE(info->is_object()) << text;
    EXPECT_TRUE(info->empty()) << text;
    EXPECT_EQ("", GetProductName()) << text;
    EXPECT_EQ("", GetDefaultProfilePathTemplate()) << text;
  }
}

TEST_F(ProductInfoTest, StreamNames) {
  EXPECT_EQ(RELEASE_STREAM_STABLE, GetStream());
  EXPECT_EQ("Stable", GetStreamName());
  EXPECT_EQ("Stable", GetInternalStreamName());

  EXPECT_EQ("Nightly", GetReleaseStreamName(RELEASE_STREAM_NIGHTLY));
  EXPECT_EQ("Developer", GetReleaseStreamName(RELEASE_STREAM_DEVELOPER));
  EXPECT_EQ("Next", GetReleaseStreamName(RELEASE_STREAM_NEXT));
  EXPECT_EQ("Stable", GetReleaseStreamName(RELEASE_STREAM_STABLE));
  EXPECT_EQ("Stable", GetReleaseStreamName(0));
  EXPECT_EQ("Stable", GetReleaseStreamName(5));
  EXPECT_EQ("Stable", GetReleaseStreamName(-1));
}

}  // namespace
}  // namespace product_info
