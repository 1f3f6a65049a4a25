#include "base/base64.h"

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(Base64Test, EncodesAndDecodesStandardVectors) {
  const struct {
    const char* plain;
    const char* encoded;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.encoded, Base64Encode(c.plain));
    std::string decoded;
    EXPECT_TRUE(Base64Decode(c.encoded, &decoded)) << c.encoded;
    EXPECT_EQ(c.plain, decoded);
  }

  // Every byte value, and the two characters beyond letters and digits.
  std::string all;
  for (int i = 0; i < 256; ++i)
    all.push_back(static_cast<char>(i));
  std::string decoded;
  ASSERT_TRUE(Base64Decode(Base64Encode(all), &decoded));
  EXPECT_EQ(all, decoded);
  EXPECT_EQ("+/8=", Base64Encode("\xFB\xFF"));
}

TEST(Base64Test, RejectsMalformedInput) {
  std::string output = "kept";
  for (const char* bad : {"Zg=", "Zg===", "Z", "Zm9vY", "Zm 9v", "Zm9v\n",
                          "Zm-v", "Zm_v", "=Zm9", "Zm=v"}) {
    EXPECT_FALSE(Base64Decode(bad, &output)) << bad;
    EXPECT_EQ("kept", output) << bad;
  }
  // Without padding the length alone tells where the data ends.
  EXPECT_TRUE(Base64Decode("Zm8", &output));
  EXPECT_EQ("fo", output);
}

}  // namespace
}  // namespace base
