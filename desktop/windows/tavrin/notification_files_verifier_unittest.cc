#include "desktop/windows/tavrin/notification_files_verifier.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "base/at_exit.h"
#include "base/base64.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "gtest/gtest.h"

namespace {

constexpr char kDisableSwitch[] = "disable-file-verification";

std::string HexDigestOf(const base::FilePath& path) {
  uint8_t digest[kSha1DigestLength];
  if (!HashFile(path, digest))
    return "unreadable";
  return base::HexEncode(digest, sizeof(digest));
}

// A program image: "MZ", the NT-header offset at byte 60, "PE\0\0" there
// and the certificate table's size 156 bytes after it.
std::string MakeImage(uint32_t nt_offset, uint32_t certificate_size) {
  std::string image(nt_offset + 248, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  std::memcpy(&image[60], &nt_offset, 4);
  std::memcpy(&image[nt_offset], "PE\0\0", 4);
  std::memcpy(&image[nt_offset + 156], &certificate_size, 4);
  return image;
}

class NotificationFilesVerifierTest : public testing::Test {
 protected:
  void SetUp() override {
    base::CommandLine::Init(0, nullptr);
    notification_files_internal::ResetPlatformHashForTesting();
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    base::FilePath exe_dir;
    ASSERT_TRUE(base::PathService::Get(base::DIR_EXE, &exe_dir));
    shipped_ = exe_dir / L"notifications";
    ASSERT_TRUE(base::DirectoryExists(shipped_))
        << "the build puts the content folder beside the programs";
    content_ = CopyContentTo(temp_.GetPath());
  }

  void TearDown() override {
    base::PathService::RemoveOverride(tavrin::DIR_NOTIFICATIONS);
    base::PathService::RemoveOverride(base::FILE_EXE);
    notification_files_internal::SetPlatformHashFunctionForTesting(nullptr);
    notification_files_internal::ResetPlatformHashForTesting();
    base::CommandLine::Reset();
    base::CommandLine::Init(0, nullptr);
  }

  // Copies the shipped content folder into |parent| and points the
  // notifier's content-folder key at the copy.
  base::FilePath CopyContentTo(const base::FilePath& parent) {
    base::FilePath copy = parent / L"notifications";
    std::error_code error;
    std::filesystem::copy(shipped_, copy,
                          std::filesystem::copy_options::recursive, error);
    EXPECT_FALSE(error) << error.message();
    base::PathService::Override(tavrin::DIR_NOTIFICATIONS, copy);
    return copy;
  }

  void AddDisableSwitch() {
    base::CommandLine::ForCurrentProcess()->AppendSwitch(kDisableSwitch);
  }

  // Makes the running program look like |image| to the check.
  void PretendProgramIs(const std::string& image) {
    base::FilePath program = temp_.GetPath() / L"program.exe";
    ASSERT_TRUE(base::WriteFile(program, image));
    base::PathService::Override(base::FILE_EXE, program);
  }

  base::ScopedTempDir temp_;
  base::FilePath shipped_;
  base::FilePath content_;
};

TEST_F(NotificationFilesVerifierTest, TableCoversTheShippedFiles) {
  ASSERT_EQ(73u, kNotificationFileDigestCount);
  std::set<std::string> paths;
  for (size_t i = 0; i < kNotificationFileDigestCount; ++i) {
    std::string path;
    ASSERT_TRUE(
        base::Base64Decode(kNotificationFileDigests[i].path_base64, &path));
    ASSERT_EQ(0u, path.rfind("notifications/", 0)) << path;
    EXPECT_TRUE(base::PathExists(shipped_ / path.substr(14))) << path;
    EXPECT_EQ(28u, std::strlen(kNotificationFileDigests[i].sha1_base64));
    paths.insert(path);
  }
  EXPECT_EQ(73u, paths.size());
  EXPECT_TRUE(paths.count("notifications/assets/delights/newzeland_5.jpg"));
  EXPECT_TRUE(paths.count("notifications/places.html"));
}

TEST_F(NotificationFilesVerifierTest, IntactCopyPasses) {
  EXPECT_TRUE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, WithoutContentFolderKeyFails) {
  base::PathService::RemoveOverride(tavrin::DIR_NOTIFICATIONS);
  EXPECT_FALSE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, MissingPlacesPageFails) {
  ASSERT_TRUE(base::DeleteFile(content_ / L"places.html", false));
  EXPECT_FALSE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, OneChangedByteInAnyKindOfFileFails) {
  for (const wchar_t* name :
       {L"assets/delights/argentina_2.jpg", L"assets/delights/usa_5.jpg",
        L"assets/common.css", L"assets/close.svg", L"notifications.json",
        L"ads.html"}) {
    SCOPED_TRACE(testing::Message() << base::FilePath(name).string());
    base::FilePath file = content_ / name;
    std::string original;
    ASSERT_TRUE(base::ReadFileToString(file, &original));
    std::string changed = original;
    changed[changed.size() / 2] ^= 0x01;
    ASSERT_TRUE(base::WriteFile(file, changed));
    EXPECT_FALSE(VerifyNotificationFiles());
    ASSERT_TRUE(base::WriteFile(file, original));
    EXPECT_TRUE(VerifyNotificationFiles());
  }
}

TEST_F(NotificationFilesVerifierTest, ExtraFileChangesNothing) {
  ASSERT_TRUE(base::WriteFile(content_ / L"assets/delights/extra.jpg", "x"));
  ASSERT_TRUE(base::WriteFile(content_ / L"readme.txt", "x"));
  EXPECT_TRUE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, FolderWithNonAsciiNamePasses) {
  base::FilePath parent =
      temp_.GetPath() /
      L"Pr\u00fcfung \u043f\u0430\u043f\u043a\u0430 \u6587\u4ef6";
  ASSERT_TRUE(base::CreateDirectory(parent));
  base::FilePath copy = CopyContentTo(parent);
  ASSERT_TRUE(base::PathExists(copy / L"places.html"));
  EXPECT_TRUE(VerifyNotificationFiles());
  ASSERT_TRUE(base::DeleteFile(copy / L"battery.html", false));
  EXPECT_FALSE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, SwitchSkipsTheCheckForUnsignedProgram) {
  ASSERT_TRUE(base::DeleteFile(content_, true));
  EXPECT_FALSE(VerifyNotificationFiles());
  AddDisableSwitch();
  // This test program itself is an unsigned build.
  EXPECT_TRUE(VerifyNotificationFiles());
  PretendProgramIs(MakeImage(0x80, 0));
  EXPECT_TRUE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, SignedProgramIgnoresTheSwitch) {
  AddDisableSwitch();
  PretendProgramIs(MakeImage(0x80, 0x1234));
  EXPECT_TRUE(VerifyNotificationFiles());
  ASSERT_TRUE(base::DeleteFile(content_ / L"assets/battery.svg", false));
  EXPECT_FALSE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest,
       UnreadableProgramImageMeansFilesAreChecked) {
  std::string short_image = MakeImage(0x80, 0).substr(0, 63);
  std::string no_mz = MakeImage(0x80, 0);
  no_mz[1] = 'X';
  std::string offset_past_end = MakeImage(0x80, 0);
  offset_past_end.resize(0x80 + 159);  // One byte short of the Size field.
  std::string no_pe = MakeImage(0x80, 0);
  no_pe[0x80 + 2] = 'x';
  std::string huge_offset = MakeImage(0x80, 0);
  const uint32_t near_wrap = 0xFFFFFFF0u;  // Wraps around in 32 bits.
  std::memcpy(&huge_offset[60], &near_wrap, 4);

  ASSERT_TRUE(base::DeleteFile(content_ / L"places.html", false));
  AddDisableSwitch();
  for (const std::string& image : {short_image, no_mz, offset_past_end, no_pe,
                                   huge_offset, std::string()}) {
    SCOPED_TRACE(testing::Message() << "image of " << image.size() << " bytes");
    PretendProgramIs(image);
    bool has_certificate = true;
    EXPECT_FALSE(HasEmbeddedCertificate(temp_.GetPath() / L"program.exe",
                                        &has_certificate));
    EXPECT_FALSE(VerifyNotificationFiles());
  }
  base::PathService::Override(base::FILE_EXE,
                              temp_.GetPath() / L"no_such_program.exe");
  EXPECT_FALSE(VerifyNotificationFiles());
}

TEST_F(NotificationFilesVerifierTest, ReadsCertificateTableOfImages) {
  bool has_certificate = true;
  base::FilePath program;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &program));
  EXPECT_TRUE(HasEmbeddedCertificate(program, &has_certificate));
  EXPECT_FALSE(has_certificate);

  // The smallest image that holds the whole field.
  std::string exact = MakeImage(0x40, 7).substr(0, 0x40 + 160);
  ASSERT_TRUE(base::WriteFile(temp_.GetPath() / L"exact.exe", exact));
  EXPECT_TRUE(
      HasEmbeddedCertificate(temp_.GetPath() / L"exact.exe", &has_certificate));
  EXPECT_TRUE(has_certificate);
}

TEST_F(NotificationFilesVerifierTest, HashesMatchKnownDigests) {
  base::FilePath abc = temp_.GetPath() / L"abc";
  ASSERT_TRUE(base::WriteFile(abc, "abc"));
  EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", HexDigestOf(abc));
  // Several 64 KB blocks and a partial one.
  base::FilePath million = temp_.GetPath() / L"million";
  ASSERT_TRUE(base::WriteFile(million, std::string(1000000, 'a')));
  EXPECT_EQ("34AA973CD4C4DAA4F61EEB2BDBAD27316534016F", HexDigestOf(million));
  base::FilePath empty = temp_.GetPath() / L"empty";
  ASSERT_TRUE(base::WriteFile(empty, ""));
  EXPECT_EQ("DA39A3EE5E6B4B0D3255BFEF95601890AFD80709", HexDigestOf(empty));
  EXPECT_EQ("unreadable", HexDigestOf(temp_.GetPath() / L"missing"));
  EXPECT_TRUE(notification_files_internal::IsPlatformHashEnabled());
}

TEST_F(NotificationFilesVerifierTest, FallbackDigestEqualsPlatformDigest) {
  base::FilePath million = temp_.GetPath() / L"million";
  std::string data(1000000, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>((i * 7919) >> 3);
  ASSERT_TRUE(base::WriteFile(million, data));
  FILE* file = _wfopen(million.c_str(), L"rb");
  ASSERT_TRUE(file);
  uint8_t platform[kSha1DigestLength];
  uint8_t fallback[kSha1DigestLength];
  EXPECT_TRUE(HashFileWithPlatform(file, platform));
  // The fallback starts again from the first byte, wherever the file is.
  EXPECT_TRUE(
      notification_files_internal::HashFileWithFallback(file, fallback));
  fclose(file);
  EXPECT_EQ(0, std::memcmp(platform, fallback, kSha1DigestLength));
}

TEST_F(NotificationFilesVerifierTest, UnloadablePlatformLibraryFails) {
  FILE* file = _wfopen((content_ / L"ads.html").c_str(), L"rb");
  ASSERT_TRUE(file);
  uint8_t digest[kSha1DigestLength];
  EXPECT_FALSE(notification_files_internal::HashFileWithPlatformLibrary(
      L"no_such_cng_library", file, digest));
  fclose(file);
}

int g_failing_platform_calls = 0;
bool FailingPlatformHash(FILE*, uint8_t*) {
  ++g_failing_platform_calls;
  return false;
}

// When the platform hash fails once, it is never tried again and every file
// is hashed by the fallback, with the same result.
TEST_F(NotificationFilesVerifierTest, FailedPlatformHashSwitchesToFallback) {
  g_failing_platform_calls = 0;
  notification_files_internal::SetPlatformHashFunctionForTesting(
      &FailingPlatformHash);
  base::FilePath abc = temp_.GetPath() / L"abc";
  ASSERT_TRUE(base::WriteFile(abc, "abc"));
  EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", HexDigestOf(abc));
  EXPECT_FALSE(notification_files_internal::IsPlatformHashEnabled());
  EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", HexDigestOf(abc));
  EXPECT_TRUE(VerifyNotificationFiles());
  EXPECT_EQ(1, g_failing_platform_calls);

  ASSERT_TRUE(base::DeleteFile(content_ / L"places.html", false));
  EXPECT_FALSE(VerifyNotificationFiles());
  EXPECT_EQ(1, g_failing_platform_calls);
}

}  // namespace
