#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"

#include <iterator>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/test/test_log_capture.h"
#include "gtest/gtest.h"

// This test program carries the notifier's string tables and language list.

namespace {

// The system's preferred UI languages, as the seam hands them to the handler.
std::vector<std::wstring>* g_preferred = nullptr;
int g_preferred_calls = 0;

bool FakePreferredLanguages(std::vector<std::wstring>* languages) {
  ++g_preferred_calls;
  *languages = *g_preferred;
  return true;
}

class RcL10nHandlerTest : public testing::Test {
 protected:
  void SetUp() override {
    g_preferred = &preferred_;
    g_preferred_calls = 0;
    RcL10nHandler::SetPreferredLanguagesSourceForTesting(
        &FakePreferredLanguages);
  }
  void TearDown() override {
    RcL10nHandler::SetPreferredLanguagesSourceForTesting(nullptr);
    g_preferred = nullptr;
  }

  bool Logged(const std::string& text) const {
    for (const base::TestLogCapture::Message& message : log_.messages()) {
      if (message.text.find(text) != std::string::npos)
        return true;
    }
    return false;
  }
  // The languages the handler tried after adjusting a system entry.
  std::vector<std::string> Adjusted() const {
    const std::string prefix = "Retrying after adjustments: ";
    std::vector<std::string> result;
    for (const base::TestLogCapture::Message& message : log_.messages()) {
      size_t at = message.text.find(prefix);
      if (at != std::string::npos)
        result.push_back(message.text.substr(at + prefix.size()));
    }
    return result;
  }

  // A fresh handler for every test.
  base::AtExitManager exit_manager_;
  // Verbose lines are not asked about here.
  base::TestLogCapture log_{0};
  std::vector<std::wstring> preferred_;
};

TEST_F(RcL10nHandlerTest, ReadsTheLanguageListOfTheProgram) {
  EXPECT_EQ(GetAvailableLanguages(),
            (std::vector<std::wstring>{L"de", L"en", L"pl", L"ru"}));
  EXPECT_TRUE(IsLanguageAvailable(L"DE"));
  EXPECT_TRUE(IsLanguageAvailable(L"Ru"));
  EXPECT_FALSE(IsLanguageAvailable(L"fr"));
  EXPECT_FALSE(IsLanguageAvailable(L"d"));
  EXPECT_FALSE(IsLanguageAvailable(L"de "));
  EXPECT_FALSE(IsLanguageAvailable(L""));
  // A non-ASCII letter that lower-cases to nothing known must not match.
  EXPECT_FALSE(IsLanguageAvailable(L"d\u00e9"));
  EXPECT_FALSE(IsLanguageAvailable(L"\u0434e"));
}

TEST_F(RcL10nHandlerTest, ConvertsIso639Spellings) {
  EXPECT_EQ(ConvertFromIso639(L"no"), L"nb");
  EXPECT_EQ(ConvertFromIso639(L"NO"), L"nb");
  EXPECT_EQ(ConvertFromIso639(L"pt"), L"pt-PT");
  EXPECT_EQ(ConvertFromIso639(L"tl"), L"fil");
  EXPECT_EQ(ConvertFromIso639(L"De"), L"De");
  EXPECT_EQ(ConvertFromIso639(L"nob"), L"nob");
}

TEST_F(RcL10nHandlerTest, LooksUpLanguageIds) {
  EXPECT_EQ(GetLcidForLanguage(L""), 0);
  EXPECT_EQ(GetLcidForLanguage(L"PT-BR"), 1046);
  EXPECT_EQ(GetLcidForLanguage(L"xx"), 0);
  EXPECT_EQ(GetLcidForLanguage(L"de"), 1031);
  EXPECT_EQ(GetLcidForLanguage(L"en"), 1033);
  EXPECT_EQ(GetLcidForLanguage(L"pl"), 1045);
  EXPECT_EQ(GetLcidForLanguage(L"ru"), 1049);
  EXPECT_EQ(GetLcidForLanguage(L"en-GB"), 2057);
  EXPECT_EQ(GetLcidForLanguage(L"es-419"), 2058);
  EXPECT_EQ(GetLcidForLanguage(L"tl"), 1024);
  EXPECT_EQ(GetLcidForLanguage(L"userdefault"), 1024);
  EXPECT_EQ(GetLcidForLanguage(L"he"), 1037);
  EXPECT_EQ(GetLcidForLanguage(L"or"), 1096);
  EXPECT_EQ(GetLcidForLanguage(L"neutral"), 0);
}

TEST_F(RcL10nHandlerTest, TakesAnAvailableLanguageWithoutTheSystemList) {
  preferred_ = {L"pl-PL"};
  EXPECT_EQ(RcL10nHandler::GetInstance()->Init(L"DE"), 1031);
  EXPECT_EQ(RcL10nHandler::GetInstance()->language_id(), 1031);
  EXPECT_EQ(g_preferred_calls, 0);
}

TEST_F(RcL10nHandlerTest, ConvertedCodeNotAvailableGoesToTheSystemList) {
  preferred_ = {L"pl-PL"};
  EXPECT_EQ(RcL10nHandler::GetInstance()->Init(L"no"), 1045);
  EXPECT_EQ(g_preferred_calls, 1);
  EXPECT_TRUE(Logged("Language not in the available languages list: nb"));
  EXPECT_TRUE(Logged("Trying language from system preferred list: pl-PL"));
  EXPECT_EQ(Adjusted(), std::vector<std::string>{"pl"});
}

TEST_F(RcL10nHandlerTest, TriesEachSystemLanguageAndItsAdjustmentInOrder) {
  preferred_ = {L"fr-FR", L"de-DE"};
  EXPECT_EQ(RcL10nHandler::GetInstance()->Init(L"fr"), 1031);
  EXPECT_EQ(Adjusted(), (std::vector<std::string>{"fr", "de"}));
}

TEST_F(RcL10nHandlerTest, FallsBackToEnglish) {
  preferred_ = {L"en-AU"};
  EXPECT_EQ(RcL10nHandler::GetInstance()->Init(L"fr"), 1033);
  EXPECT_EQ(Adjusted(), std::vector<std::string>{"en-GB"});
  EXPECT_TRUE(Logged("Falling back to english"));

  log_.Clear();
  preferred_.clear();
  EXPECT_EQ(RcL10nHandler::GetInstance()->Init(L""), 1033);
  EXPECT_TRUE(Logged("Falling back to english"));
}

TEST_F(RcL10nHandlerTest, AdjustsRegionsOfSystemLanguages) {
  preferred_ = {L"es-ES",  L"es-MX", L"zh-MO", L"zh-HK", L"zh-SG", L"no-NO",
                L"fil-PH", L"EN-au", L"en-IE", L"-x",    L"sv-SE", L"de"};
  EXPECT_EQ(RcL10nHandler::GetInstance()->Init(L"xx"), 1031);
  EXPECT_EQ(Adjusted(), (std::vector<std::string>{
                            "es", "es-419", "zh-TW", "zh-TW", "zh-CN", "nb",
                            "tl", "EN-GB", "en-US", "-x", "sv"}));
  // "de" has no region and is available as it stands.
  EXPECT_TRUE(Logged("Trying language from system preferred list: de"));
}

TEST_F(RcL10nHandlerTest, GetsStringsInTheChosenLanguage) {
  RcL10nHandler* handler = RcL10nHandler::GetInstance();
  handler->Init(L"pl");
  EXPECT_EQ(handler->GetString(38008), L"Wypr\u00f3buj");
  EXPECT_EQ(handler->GetString(38000), L"Test Message PL");
  EXPECT_EQ(handler->GetString(38028), L"Ulvena");
  EXPECT_EQ(handler->GetString(38013).rfind(L"https://pl.", 0), 0u);

  log_.Clear();
  EXPECT_EQ(handler->GetString(38031), L"");
  EXPECT_TRUE(log_.messages().empty());

  EXPECT_EQ(LoadStringFromResource(1033, 38001),
            L"Get started with the battery-saving browser.");
  EXPECT_EQ(LoadStringFromResource(1033, 38030), L"Launch ulvena");
  EXPECT_EQ(LoadStringFromResource(1033, 38029), L"Close");
  EXPECT_EQ(LoadStringFromResource(1031, 38000), L"Test Message DE");
  EXPECT_EQ(LoadStringFromResource(1049, 38011),
            L"\u041f\u043e\u043a\u0430\u0437\u0430\u0442\u044c "
            L"\u0431\u043e\u043b\u044c\u0448\u0435");
}

TEST_F(RcL10nHandlerTest, EveryLanguageHasEveryText) {
  for (LANGID language : {1031, 1033, 1045, 1049}) {
    for (UINT id = 38000; id <= 38030; ++id)
      EXPECT_FALSE(LoadStringFromResource(language, id).empty())
          << language << " " << id;
    EXPECT_TRUE(LoadStringFromResource(language, 38031).empty()) << language;
    // The tray's tip and menu read the same in every language.
    EXPECT_EQ(LoadStringFromResource(language, 38028), L"Ulvena");
    EXPECT_EQ(LoadStringFromResource(language, 38029), L"Close");
    EXPECT_EQ(LoadStringFromResource(language, 38030), L"Launch ulvena");
  }
  // The travel-guide pages differ by language.
  EXPECT_NE(LoadStringFromResource(1031, 38020),
            LoadStringFromResource(1033, 38020));
}

TEST_F(RcL10nHandlerTest, MissingBlockGivesAnEmptyTextAndAnError) {
  EXPECT_EQ(LoadStringFromResource(1036, 38008), L"");
  EXPECT_TRUE(Logged("Failed to find string"));
  log_.Clear();
  EXPECT_EQ(LoadStringFromResource(1033, 38100), L"");
  EXPECT_TRUE(Logged("Failed to find string"));
}

TEST(StringBlockTest, ReadsCountedStringsWithinTheBlockOnly) {
  const WORD block[] = {2, L'a', L'b', 0, 3, L'x', L'y', L'z'};
  const size_t size = std::size(block);
  EXPECT_EQ(L"ab", GetStringFromBlock(block, size, 0));
  EXPECT_EQ(L"", GetStringFromBlock(block, size, 1));
  EXPECT_EQ(L"xyz", GetStringFromBlock(block, size, 2));
  // Past the last string, and in a block cut short anywhere.
  EXPECT_EQ(L"", GetStringFromBlock(block, size, 3));
  EXPECT_EQ(L"", GetStringFromBlock(block, size, 15));
  for (size_t cut = 0; cut < size; ++cut) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(cut >= 3 ? L"ab" : L"", GetStringFromBlock(block, cut, 0));
    EXPECT_EQ(L"", GetStringFromBlock(block, cut, 2));
  }
  // A length far beyond the block, to be skipped or read.
  const WORD damaged[] = {0xFFFF, L'a', 1, L'b'};
  EXPECT_EQ(L"", GetStringFromBlock(damaged, std::size(damaged), 0));
  EXPECT_EQ(L"", GetStringFromBlock(damaged, std::size(damaged), 1));
}

}  // namespace
