#include "desktop/windows/tavrin/startup_language.h"

#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "desktop/windows/tavrin/browser_installation.h"
#include "gtest/gtest.h"

namespace {

// A browser installation in a temp folder with the notifier beside its
// launcher; the folder stands in for the running program's.
class StartupLanguageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    ASSERT_TRUE(base::WriteFile(temp_.GetPath() / L"launcher.exe", "MZ"));
    ASSERT_TRUE(base::PathService::Override(base::DIR_EXE, temp_.GetPath()));
  }
  void TearDown() override { base::PathService::RemoveOverride(base::DIR_EXE); }

  // The language a notifier started with |arguments| would choose, with
  // |prefs| as the browser's installer_prefs.json (none when null).
  std::wstring LanguageFor(const char* prefs, const std::wstring& arguments) {
    const base::FilePath prefs_file = temp_.GetPath() / L"installer_prefs.json";
    if (prefs)
      EXPECT_TRUE(base::WriteFile(prefs_file, prefs));
    else
      EXPECT_TRUE(base::DeleteFile(prefs_file, false));
    // A fresh installation object reads the file anew.
    base::AtExitManager instance_scope;
    return GetStartupLanguage(
        BrowserInstallation::GetInstance(),
        base::CommandLine::FromString(L"tavrin.exe " + arguments));
  }

  base::AtExitManager exit_manager_;
  base::ScopedTempDir temp_;
};

TEST_F(StartupLanguageTest, BrowserLanguageThenSwitch) {
  // Without either, English.
  EXPECT_EQ(L"en", LanguageFor(nullptr, L""));
  EXPECT_EQ(L"en", LanguageFor("{}", L""));
  // The browser's UI language, converted from UTF-8.
  EXPECT_EQ(L"de", LanguageFor(R"({"language": "de"})", L""));
  EXPECT_EQ(L"pt-BR", LanguageFor(R"({"language": "pt-BR"})", L"--other=x"));
  // A mistyped value is no language.
  EXPECT_EQ(L"en", LanguageFor(R"({"language": 7})", L""));
  // The switch wins over the browser's language, whatever its case.
  EXPECT_EQ(L"pl", LanguageFor(R"({"language": "de"})",
                               L"--override-notification-language=pl"));
  EXPECT_EQ(L"ru",
            LanguageFor(nullptr, L"--Override-Notification-Language=ru"));
  // Given without a value it still wins, with the empty language.
  EXPECT_EQ(L"", LanguageFor(R"({"language": "de"})",
                             L"--override-notification-language"));
}

}  // namespace
