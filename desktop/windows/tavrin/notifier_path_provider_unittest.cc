#include "desktop/windows/tavrin/notifier_path_provider.h"

#include <optional>

#include "base/at_exit.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_path_override.h"
#include "base/values.h"
#include "gtest/gtest.h"

namespace {

// The notifier in the subfolder "tavrin" of a browser installation in a temp
// folder; the notifier's folder stands in for the running program's.
class NotifierPathProviderTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { tavrin::RegisterNotifierPathProvider(); }

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_ = temp_.GetPath() / L"install";
    exe_dir_ = install_ / L"tavrin";
    ASSERT_TRUE(base::CreateDirectory(exe_dir_));
    ASSERT_TRUE(exe_dir_override_.emplace(base::DIR_EXE, exe_dir_).Succeeded());
  }

  base::AtExitManager exit_manager_;
  base::ScopedTempDir temp_;
  base::FilePath install_;
  base::FilePath exe_dir_;
  std::optional<base::ScopedPathOverride> exe_dir_override_;
};

TEST_F(NotifierPathProviderTest, LauncherAboveTheNotifierKeepsTheDots) {
  ASSERT_TRUE(base::WriteFile(install_ / L"launcher.exe", "MZ"));
  base::FilePath launcher;
  ASSERT_TRUE(base::PathService::Get(tavrin::FILE_LAUNCHER, &launcher));
  EXPECT_EQ(launcher.native(), exe_dir_.native() + L"\\..\\launcher.exe");
}

TEST_F(NotifierPathProviderTest, LauncherMayBeAFolder) {
  ASSERT_TRUE(base::CreateDirectory(install_ / L"launcher.exe"));
  base::FilePath launcher;
  EXPECT_TRUE(base::PathService::Get(tavrin::FILE_LAUNCHER, &launcher));
}

TEST_F(NotifierPathProviderTest, MissingLauncherDoesNotResolve) {
  // One next to the notifier is not the one above it.
  ASSERT_TRUE(base::WriteFile(exe_dir_ / L"launcher.exe", "MZ"));
  base::FilePath launcher;
  EXPECT_FALSE(base::PathService::Get(tavrin::FILE_LAUNCHER, &launcher));
  EXPECT_TRUE(launcher.empty());
}

TEST_F(NotifierPathProviderTest, OtherKeysDoNotTestForExistence) {
  ASSERT_TRUE(base::WriteFile(install_ / L"launcher.exe", "MZ"));
  const base::FilePath profile = temp_.GetPath() / L"no" / L"such" / L"dir";
  base::Value prefs = {{"profile_path", base::WideToUTF8(profile.native())}};
  ASSERT_TRUE(
      base::WriteFile(install_ / L"installer_prefs.json", prefs.dump()));
  base::FilePath path;
  ASSERT_TRUE(base::PathService::Get(tavrin::DIR_NOTIFICATIONS, &path));
  EXPECT_EQ(path, exe_dir_ / L"notifications");
  ASSERT_TRUE(base::PathService::Get(tavrin::DIR_USER_DATA, &path));
  EXPECT_EQ(path, profile);
  ASSERT_TRUE(base::PathService::Get(tavrin::FILE_PREFS, &path));
  EXPECT_EQ(path, profile / L"tavrin_prefs.json");
  ASSERT_TRUE(base::PathService::Get(tavrin::FILE_LOG, &path));
  EXPECT_EQ(path, profile / L"tavrin.log");
  EXPECT_FALSE(base::PathExists(profile));
}

TEST_F(NotifierPathProviderTest, AnswersOnlyItsOwnKeys) {
  base::FilePath path;
  EXPECT_FALSE(tavrin::NotifierPathProvider(tavrin::PATH_END, &path));
  EXPECT_FALSE(tavrin::NotifierPathProvider(base::DIR_EXE, &path));
  EXPECT_TRUE(path.empty());
}

}  // namespace
