#include "desktop/windows/tavrin/browser_installation.h"

#include <windows.h>

#include <optional>
#include <string>

#include "base/at_exit.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "components/prefs/json_pref_store.h"
#include "desktop/windows/tavrin/rejecting_task_runner.h"
#include "gtest/gtest.h"

// This test program carries the product description, like the notifier.

namespace {

std::wstring UserName() {
  wchar_t name[257];
  DWORD size = 257;
  EXPECT_TRUE(::GetUserNameW(name, &size));
  return name;
}

// A browser installation in a temp folder, with the notifier in the
// subfolder "tavrin"; the notifier's folder stands in for the running
// program's.
class BrowserInstallationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_ = temp_.GetPath() / L"install";
    exe_dir_ = install_ / L"tavrin";
    ASSERT_TRUE(base::CreateDirectory(exe_dir_));
    ASSERT_TRUE(exe_dir_override_.emplace(base::DIR_EXE, exe_dir_).Succeeded());
    ASSERT_TRUE(app_data_override_
                    .emplace(base::DIR_APP_DATA, temp_.GetPath() / L"appdata")
                    .Succeeded());
  }

  void WriteLauncher(const base::FilePath& folder) {
    ASSERT_TRUE(base::WriteFile(folder / L"launcher.exe", "MZ"));
  }
  void WritePrefs(const base::FilePath& folder, const std::string& json) {
    ASSERT_TRUE(base::WriteFile(folder / L"installer_prefs.json", json));
  }
  base::FilePath DefaultProfileDir() const {
    return temp_.GetPath() / L"appdata" / L"Ulvena Software" / L"Ulvena Stable";
  }

  // Every test gets a fresh instance.
  base::AtExitManager exit_manager_;
  base::ScopedTempDir temp_;
  base::FilePath install_;
  base::FilePath exe_dir_;
  std::optional<base::ScopedPathOverride> exe_dir_override_;
  std::optional<base::ScopedPathOverride> app_data_override_;
};

TEST_F(BrowserInstallationTest, FindsTheInstallationAboveTheNotifier) {
  WriteLauncher(install_);
  WritePrefs(install_, R"({"language": "pl", "profile_path": "D:\\p"})");
  // A settings file next to the notifier is not the installation's.
  WritePrefs(exe_dir_, R"({"language": "ru"})");
  BrowserInstallation* installation = BrowserInstallation::GetInstance();
  EXPECT_EQ(installation->installation_dir(), install_);
  std::wstring language = L"en";
  EXPECT_TRUE(installation->GetPrefString("language", &language));
  EXPECT_EQ(language, L"pl");
  base::FilePath user_data;
  ASSERT_TRUE(installation->GetUserDataDir(&user_data));
  EXPECT_EQ(user_data, base::FilePath(L"D:\\p"));
}

TEST_F(BrowserInstallationTest, PrefersALauncherNextToTheNotifier) {
  WriteLauncher(install_);
  WriteLauncher(exe_dir_);
  EXPECT_EQ(BrowserInstallation::GetInstance()->installation_dir(), exe_dir_);
}

TEST_F(BrowserInstallationTest, AFolderNamedLikeTheLauncherCounts) {
  ASSERT_TRUE(base::CreateDirectory(install_ / L"launcher.exe"));
  EXPECT_EQ(BrowserInstallation::GetInstance()->installation_dir(), install_);
}

TEST_F(BrowserInstallationTest, WithoutALauncherUsesTheNotifierFolder) {
  WritePrefs(install_, R"({"language": "pl", "profile_path": "D:\\p"})");
  BrowserInstallation* installation = BrowserInstallation::GetInstance();
  EXPECT_EQ(installation->installation_dir(), exe_dir_);
  std::wstring language = L"en";
  EXPECT_FALSE(installation->GetPrefString("language", &language));
  EXPECT_EQ(language, L"en");
  base::FilePath user_data;
  ASSERT_TRUE(installation->GetUserDataDir(&user_data));
  EXPECT_EQ(user_data, DefaultProfileDir());
}

TEST_F(BrowserInstallationTest, ReplacesTheFirstUserNamePlaceholder) {
  WriteLauncher(install_);
  WritePrefs(install_,
             R"({"profile_path": "D:\\p\\<USERNAME>\\x\\<USERNAME>\\y"})");
  base::FilePath profile;
  ASSERT_TRUE(BrowserInstallation::GetInstance()->GetProfileDir(&profile));
  EXPECT_EQ(profile.native(), L"D:\\p\\" + UserName() + L"\\x\\<USERNAME>\\y");
  // The placeholder is case-sensitive.
}

TEST_F(BrowserInstallationTest, PlaceholderIsCaseSensitive) {
  WriteLauncher(install_);
  WritePrefs(install_, R"({"profile_path": "D:\\<username>"})");
  base::FilePath profile;
  ASSERT_TRUE(BrowserInstallation::GetInstance()->GetProfileDir(&profile));
  EXPECT_EQ(profile.native(), L"D:\\<username>");
}

TEST_F(BrowserInstallationTest, SingleProfileLivesInTheInstallation) {
  WriteLauncher(install_);
  WritePrefs(install_, R"({"single_profile": true, "profile_path": "D:\\p"})");
  BrowserInstallation* installation = BrowserInstallation::GetInstance();
  EXPECT_TRUE(installation->IsSingleProfile());
  base::FilePath user_data;
  ASSERT_TRUE(installation->GetUserDataDir(&user_data));
  EXPECT_EQ(user_data, install_ / L"profile" / L"data");
  // The profile folder itself still follows "profile_path".
  base::FilePath profile;
  ASSERT_TRUE(installation->GetProfileDir(&profile));
  EXPECT_EQ(profile, base::FilePath(L"D:\\p"));
}

TEST_F(BrowserInstallationTest, SingleProfileMustBeTrue) {
  for (const char* json :
       {R"({"single_profile": false, "profile_path": "D:\\p"})",
        R"({"single_profile": "true", "profile_path": "D:\\p"})",
        R"({"single_profile": 1, "profile_path": "D:\\p"})"}) {
    SCOPED_TRACE(json);
    base::AtExitManager fresh_instance;
    WriteLauncher(install_);
    WritePrefs(install_, json);
    BrowserInstallation* installation = BrowserInstallation::GetInstance();
    EXPECT_FALSE(installation->IsSingleProfile());
    base::FilePath user_data;
    ASSERT_TRUE(installation->GetUserDataDir(&user_data));
    EXPECT_EQ(user_data, base::FilePath(L"D:\\p"));
  }
}

TEST_F(BrowserInstallationTest, EmptyOrMistypedProfilePathUsesTheTemplate) {
  for (const char* json :
       {R"({"profile_path": ""})", R"({"profile_path": 7})", "{}"}) {
    base::AtExitManager fresh_instance;
    WriteLauncher(install_);
    WritePrefs(install_, json);
    base::FilePath user_data;
    ASSERT_TRUE(BrowserInstallation::GetInstance()->GetUserDataDir(&user_data));
    EXPECT_EQ(user_data, DefaultProfileDir()) << json;
  }
}

TEST_F(BrowserInstallationTest, InvalidSettingsAreMovedAsideAndIgnored) {
  WriteLauncher(install_);
  WritePrefs(install_, R"({"profile_path": "D:\\p", )");
  BrowserInstallation* installation = BrowserInstallation::GetInstance();
  base::FilePath user_data;
  ASSERT_TRUE(installation->GetUserDataDir(&user_data));
  EXPECT_EQ(user_data, DefaultProfileDir());
  EXPECT_TRUE(base::PathExists(install_ / L"installer_prefs.bad"));
  EXPECT_FALSE(base::PathExists(install_ / L"installer_prefs.json"));
  std::wstring language = L"en";
  EXPECT_FALSE(installation->GetPrefString("language", &language));
}

TEST_F(BrowserInstallationTest, SettingsOfAnotherTypeOrTooLargeAreLeftAlone) {
  WriteLauncher(install_);
  const base::FilePath prefs = install_ / L"installer_prefs.json";
  {
    base::AtExitManager fresh_instance;
    WritePrefs(install_, "[]");
    std::wstring language = L"en";
    EXPECT_FALSE(BrowserInstallation::GetInstance()->GetPrefString("language",
                                                                   &language));
    std::string contents;
    ASSERT_TRUE(base::ReadFileToString(prefs, &contents));
    EXPECT_EQ("[]", contents);
  }
  {
    // Larger than any settings file: not read, and not moved either.
    base::AtExitManager fresh_instance;
    HANDLE file = ::CreateFileW(prefs.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER end;
    end.QuadPart = 17 * 1024 * 1024;
    EXPECT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(::SetEndOfFile(file));
    ::CloseHandle(file);
    base::FilePath user_data;
    ASSERT_TRUE(BrowserInstallation::GetInstance()->GetUserDataDir(&user_data));
    EXPECT_EQ(user_data, DefaultProfileDir());
    int64_t size = 0;
    ASSERT_TRUE(base::GetFileSize(prefs, &size));
    EXPECT_EQ(end.QuadPart, size);
  }
  EXPECT_FALSE(base::PathExists(install_ / L"installer_prefs.bad"));
}

TEST_F(BrowserInstallationTest, NeverWritesTheBrowserSettings) {
  WriteLauncher(install_);
  const std::string json = R"({"language": "de"})";
  WritePrefs(install_, json);
  {
    base::AtExitManager instance_scope;
    auto prefs = BrowserInstallation::GetInstance()->GetInstallerPrefs();
    EXPECT_EQ(prefs, BrowserInstallation::GetInstance()->GetInstallerPrefs());
    prefs->SetValue("language", base::Value("pl"));
    prefs->CommitPendingWrite();
  }
  std::string contents;
  ASSERT_TRUE(
      base::ReadFileToString(install_ / L"installer_prefs.json", &contents));
  EXPECT_EQ(contents, json);
}

TEST(RejectingTaskRunnerTest, RefusesEveryTask) {
  RejectingTaskRunner runner;
  bool ran = false;
  EXPECT_FALSE(runner.PostTask(FROM_HERE, [&ran] { ran = true; }));
  EXPECT_FALSE(runner.PostDelayedTask(
      FROM_HERE, [&ran] { ran = true; }, base::TimeDelta::FromSeconds(1)));
  EXPECT_FALSE(runner.PostNonNestableDelayedTask(
      FROM_HERE, [&ran] { ran = true; }, base::TimeDelta()));
  EXPECT_FALSE(runner.RunsTasksOnCurrentThread());
  EXPECT_FALSE(ran);
}

}  // namespace
