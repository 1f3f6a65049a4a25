#include "desktop/windows/tavrin/installer/installed_file_path.h"

#include "gtest/gtest.h"

namespace installer {
namespace {

TEST(InstalledFilePathTest, NamesBelowTheFolderAreBuilt) {
  base::FilePath path;
  ASSERT_TRUE(BuildInstalledFilePath(base::FilePath(L"C:\\A\\B"), L"",
                                     L"tavrin.exe", &path));
  EXPECT_EQ(L"C:\\A\\B\\tavrin.exe", path.native());
  ASSERT_TRUE(BuildInstalledFilePath(base::FilePath(L"C:\\A\\B"), L"sub",
                                     L"notifications\\ads.html", &path));
  EXPECT_EQ(L"C:\\A\\B\\sub\\notifications\\ads.html", path.native());
  // Blanks and dots inside a name are a name's own.
  ASSERT_TRUE(BuildInstalledFilePath(base::FilePath(L"C:\\A"), L"",
                                     L"my file .txt", &path));
  EXPECT_EQ(L"C:\\A\\my file .txt", path.native());
  EXPECT_TRUE(IsPathInsideFolder(L"a..b\\.hidden", false));
}

// Each of these would let an install log point an uninstall at something
// outside the install folder.
TEST(InstalledFilePathTest, EntriesReachingOutsideAreRefused) {
  for (const wchar_t* name :
       {L"", L"C:\\Windows\\win.ini", L"C:win.ini", L"\\Windows\\win.ini",
        L"/etc", L"\\\\server\\share\\file", L"\\\\?\\C:\\x", L"..",
        L"..\\launcher.exe", L"a\\..\\..\\x", L"a/../../x", L"...\\x",
        L". .\\x", L".. \\x", L"file.txt:stream"}) {
    base::FilePath path(L"unchanged");
    EXPECT_FALSE(
        BuildInstalledFilePath(base::FilePath(L"C:\\A"), L"", name, &path))
        << name;
    EXPECT_EQ(L"unchanged", path.native()) << name;
  }
  base::FilePath path;
  EXPECT_FALSE(BuildInstalledFilePath(base::FilePath(L"C:\\A"), L"..",
                                      L"tavrin.exe", &path));
  EXPECT_FALSE(BuildInstalledFilePath(base::FilePath(L"C:\\A"), L"C:\\B",
                                      L"tavrin.exe", &path));
}

}  // namespace
}  // namespace installer
