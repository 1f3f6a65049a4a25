#include "desktop/windows/tavrin/notification_files_verifier.h"

#include <windows.h>

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
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/tavrin/notification_files_table.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/sha1_file_hasher.h"
#include "gtest/gtest.h"

namespace {

constexpr char kDisableSwitch[] = "disable-file-verification";

// A program image: "MZ", the NT-header offset at byte 60, "PE\0\0" there
// and the certificate table's size 156 bytes after it.
// A 32-bit image (PE32) by default; |pe32_plus| makes a 64-bit one, whose
// data directories sit 16 bytes further on.
std::string MakeImage(uint32_t nt_offset,
                      uint32_t certificate_size,
                      bool pe32_plus = false) {
  std::string image(nt_offset + 264, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  std::memcpy(&image[60], &nt_offset, 4);
  std::memcpy(&image[nt_offset], "PE\0\0", 4);
  const uint16_t magic = pe32_plus ? 0x20b : 0x10b;
  std::memcpy(&image[nt_offset + 24], &magic, 2);
  std::memcpy(&image[nt_offset + (pe32_plus ? 172 : 156)], &certificate_size,
              4);
  return image;
}

class NotificationFilesVerifierTest : public testing::Test {
 protected:
  void SetUp() override {
    base::CommandLine::Init(0, nullptr);
    Sha1FileHasher::ResetPlatformHashForTesting();
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
    Sha1FileHasher::SetPlatformLibraryForTesting(nullptr);
    Sha1FileHasher::ResetPlatformHashForTesting();
    base::CommandLine::Reset();
    base::CommandLine::Init(0, nullptr);
  }

  // Copies the shipped content folder into |parent| and points the
  // notifier's content-folder key at the copy.
  base::FilePath CopyContentTo(const base::FilePath& parent) {
    base::FilePath copy = parent / L"notifications";
    std::error_code error;
    std::filesystem::copy(shipped_.native(), copy.native(),
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
    EXPECT_TRUE(base::PathExists(shipped_ / base::UTF8ToWide(path.substr(14))))
        << path;
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
    SCOPED_TRACE(testing::Message() << base::FilePath(name));
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
  std::string unknown_magic = MakeImage(0x80, 0);
  unknown_magic[0x80 + 24] = 0x07;
  std::string pe32_plus_short = MakeImage(0x80, 0, true).substr(0, 0x80 + 175);
  std::string huge_offset = MakeImage(0x80, 0);
  const uint32_t near_wrap = 0xFFFFFFF0u;  // Wraps around in 32 bits.
  std::memcpy(&huge_offset[60], &near_wrap, 4);

  ASSERT_TRUE(base::DeleteFile(content_ / L"places.html", false));
  AddDisableSwitch();
  for (const std::string& image :
       {short_image, no_mz, offset_past_end, no_pe, unknown_magic,
        pe32_plus_short, huge_offset, std::string()}) {
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

  // A 64-bit image keeps its table further on: the 32-bit place holds
  // another directory there (the resources' size in a real program).
  std::string wide = MakeImage(0x40, 0, true);
  const uint32_t resource_size = 0x500;
  std::memcpy(&wide[0x40 + 156], &resource_size, 4);
  ASSERT_TRUE(base::WriteFile(temp_.GetPath() / L"wide.exe", wide));
  has_certificate = true;
  EXPECT_TRUE(
      HasEmbeddedCertificate(temp_.GetPath() / L"wide.exe", &has_certificate));
  EXPECT_FALSE(has_certificate);
  ASSERT_TRUE(base::WriteFile(temp_.GetPath() / L"wide_signed.exe",
                              MakeImage(0x40, 0x1234, true)));
  EXPECT_TRUE(HasEmbeddedCertificate(temp_.GetPath() / L"wide_signed.exe",
                                     &has_certificate));
  EXPECT_TRUE(has_certificate);
}

// Without CNG the fallback hashes every file: the same files pass and fail.
TEST_F(NotificationFilesVerifierTest, WithoutPlatformHashFallbackDecides) {
  Sha1FileHasher::SetPlatformLibraryForTesting(L"no_such_cng_library");
  EXPECT_TRUE(VerifyNotificationFiles());
  std::string page;
  ASSERT_TRUE(base::ReadFileToString(content_ / L"ads.html", &page));
  page.back() ^= 0x20;
  ASSERT_TRUE(base::WriteFile(content_ / L"ads.html", page));
  EXPECT_FALSE(VerifyNotificationFiles());
}

// The check loads CNG for itself and leaves nothing loaded behind (this test
// program does not import bcrypt.dll).
TEST_F(NotificationFilesVerifierTest, ReleasesCngAfterTheCheck) {
  ASSERT_EQ(nullptr, ::GetModuleHandleW(L"bcrypt.dll"));
  EXPECT_TRUE(VerifyNotificationFiles());
  EXPECT_EQ(nullptr, ::GetModuleHandleW(L"bcrypt.dll"));
}

}  // namespace
