#include "desktop/windows/tavrin/startup_language.h"

#include "base/command_line.h"
#include "desktop/windows/tavrin/browser_installation.h"

namespace {

constexpr char kLanguagePref[] = "language";
constexpr char kOverrideLanguageSwitch[] = "override-notification-language";

}  // namespace

std::wstring GetStartupLanguage(BrowserInstallation* installation,
                                const base::CommandLine& command_line) {
  std::wstring language = L"en";
  installation->GetPrefString(kLanguagePref, &language);
  if (command_line.HasSwitch(kOverrideLanguageSwitch))
    language = command_line.GetSwitchValueNative(kOverrideLanguageSwitch);
  return language;
}
