#include "desktop/windows/tavrin/sha1_file_hasher.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "gtest/gtest.h"

namespace {

constexpr char kAbcDigest[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";
constexpr char kMillionADigest[] = "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F";
constexpr char kEmptyDigest[] = "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";

// This test program does not import bcrypt.dll, so whether it is in the
// process tells whether a hasher holds CNG.
bool CngIsLoaded() {
  return ::GetModuleHandleW(L"bcrypt.dll") != nullptr;
}

class Sha1FileHasherTest : public testing::Test {
 protected:
  void SetUp() override {
    Sha1FileHasher::ResetPlatformHashForTesting();
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
  }

  void TearDown() override {
    Sha1FileHasher::SetPlatformLibraryForTesting(nullptr);
    Sha1FileHasher::ResetPlatformHashForTesting();
  }

  base::FilePath Write(const wchar_t* name, const std::string& data) {
    base::FilePath path = temp_.GetPath() / name;
    EXPECT_TRUE(base::WriteFile(path, data));
    return path;
  }

  static std::string HexDigestOf(Sha1FileHasher& hasher,
                                 const base::FilePath& path) {
    uint8_t digest[kSha1DigestLength];
    if (!hasher.HashFile(path, digest))
      return "unreadable";
    return base::HexEncode(digest, sizeof(digest));
  }

  base::ScopedTempDir temp_;
};

TEST_F(Sha1FileHasherTest, PlatformHashMatchesKnownDigests) {
  Sha1FileHasher hasher;
  EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, Write(L"abc", "abc")));
  // Several 64 KB blocks and a partial one.
  EXPECT_EQ(kMillionADigest,
            HexDigestOf(hasher, Write(L"million", std::string(1000000, 'a'))));
  EXPECT_EQ(kEmptyDigest, HexDigestOf(hasher, Write(L"empty", "")));
  EXPECT_EQ("unreadable", HexDigestOf(hasher, temp_.GetPath() / L"missing"));
  EXPECT_TRUE(CngIsLoaded()) << "the platform hash was not used";
}

// Without CNG every file is hashed by BoringSSL, with the same digests.
TEST_F(Sha1FileHasherTest, FallbackMatchesKnownDigests) {
  Sha1FileHasher::SetPlatformLibraryForTesting(L"no_such_cng_library");
  Sha1FileHasher hasher;
  EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, Write(L"abc", "abc")));
  EXPECT_EQ(kMillionADigest,
            HexDigestOf(hasher, Write(L"million", std::string(1000000, 'a'))));
  EXPECT_EQ(kEmptyDigest, HexDigestOf(hasher, Write(L"empty", "")));
  EXPECT_EQ("unreadable", HexDigestOf(hasher, temp_.GetPath() / L"missing"));
  EXPECT_FALSE(CngIsLoaded());
}

TEST_F(Sha1FileHasherTest, FallbackDigestEqualsPlatformDigest) {
  std::string data(1000000, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>((i * 7919) >> 3);
  base::FilePath file = Write(L"data", data);
  std::string platform;
  {
    Sha1FileHasher hasher;
    platform = HexDigestOf(hasher, file);
  }
  Sha1FileHasher::SetPlatformLibraryForTesting(L"no_such_cng_library");
  Sha1FileHasher fallback_hasher;
  EXPECT_EQ(platform, HexDigestOf(fallback_hasher, file));
  EXPECT_NE("unreadable", platform);
}

// CNG is loaded once for all the files of one hasher and released with it.
TEST_F(Sha1FileHasherTest, HoldsCngForItsLifetimeOnly) {
  ASSERT_FALSE(CngIsLoaded());
  base::FilePath abc = Write(L"abc", "abc");
  {
    Sha1FileHasher hasher;
    EXPECT_FALSE(CngIsLoaded()) << "nothing is loaded before the first file";
    EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, abc));
    EXPECT_TRUE(CngIsLoaded());
    EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, abc));
    EXPECT_TRUE(CngIsLoaded());
  }
  EXPECT_FALSE(CngIsLoaded());
}

// One failure of the platform hash moves the whole process to the fallback:
// a later hasher does not try CNG again, even where it would load.
TEST_F(Sha1FileHasherTest, FailedPlatformHashIsNotTriedAgain) {
  base::FilePath abc = Write(L"abc", "abc");
  Sha1FileHasher::SetPlatformLibraryForTesting(L"no_such_cng_library");
  {
    Sha1FileHasher hasher;
    EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, abc));
  }
  Sha1FileHasher::SetPlatformLibraryForTesting(nullptr);
  Sha1FileHasher hasher;
  EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, abc));
  EXPECT_FALSE(CngIsLoaded());

  Sha1FileHasher::ResetPlatformHashForTesting();
  EXPECT_EQ(kAbcDigest, HexDigestOf(hasher, abc));
  EXPECT_TRUE(CngIsLoaded());
}

TEST_F(Sha1FileHasherTest, PlatformHashStartsAtTheFilePosition) {
  base::FilePath file = Write(L"xabc", "xabc");
  FILE* stream = _wfopen(file.c_str(), L"rb");
  ASSERT_TRUE(stream);
  ASSERT_EQ('x', fgetc(stream));
  Sha1FileHasher hasher;
  uint8_t digest[kSha1DigestLength];
  EXPECT_TRUE(hasher.HashFileWithPlatform(stream, digest));
  fclose(stream);
  EXPECT_EQ(kAbcDigest, base::HexEncode(digest, sizeof(digest)));
}

TEST(CngSha1Test, MissingLibraryOrFunctionsOpenNothing) {
  EXPECT_EQ(nullptr, CngSha1::Open(L"no_such_cng_library"));
  // A real library without the CNG functions.
  EXPECT_EQ(nullptr, CngSha1::Open(L"version"));
  EXPECT_NE(nullptr, CngSha1::Open(L"bcrypt"));
}

}  // namespace
