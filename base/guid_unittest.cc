#include "base/guid.h"

#include <set>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(GUIDTest, GeneratesLowerCaseVersion4GUIDs) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const std::string guid = GenerateGUID();
    ASSERT_EQ(36u, guid.size());
    EXPECT_TRUE(IsValidGUID(guid)) << guid;
    EXPECT_EQ('4', guid[14]) << guid;
    EXPECT_NE(std::string::npos, std::string("89ab").find(guid[19])) << guid;
    EXPECT_EQ(std::string::npos, guid.find_first_of("ABCDEF")) << guid;
    EXPECT_TRUE(seen.insert(guid).second) << guid;
  }
}

TEST(GUIDTest, Validity) {
  EXPECT_TRUE(IsValidGUID("0123abcd-ef01-4234-89ab-0123456789ab"));
  EXPECT_TRUE(IsValidGUID("0123ABCD-EF01-4234-89AB-0123456789AB"));
  EXPECT_FALSE(IsValidGUID(""));
  EXPECT_FALSE(IsValidGUID("0123abcd-ef01-4234-89ab-0123456789a"));
  EXPECT_FALSE(IsValidGUID("0123abcd-ef01-4234-89ab-0123456789abc"));
  EXPECT_FALSE(IsValidGUID("0123abcd_ef01-4234-89ab-0123456789ab"));
  EXPECT_FALSE(IsValidGUID("0123abcg-ef01-4234-89ab-0123456789ab"));
  EXPECT_FALSE(IsValidGUID("{123abcd-ef01-4234-89ab-0123456789a}"));
}

}  // namespace
}  // namespace base
