#ifndef DESKTOP_WINDOWS_TAVRIN_STARTUP_LANGUAGE_H_
#define DESKTOP_WINDOWS_TAVRIN_STARTUP_LANGUAGE_H_

#include <string>

class BrowserInstallation;

namespace base {
class CommandLine;
}

// The language the notifier's texts are shown in: the switch
// "override-notification-language" when given, else the browser's UI
// language ("language" in installer_prefs.json), else "en".
std::wstring GetStartupLanguage(BrowserInstallation* installation,
                                const base::CommandLine& command_line);

#endif  // DESKTOP_WINDOWS_TAVRIN_STARTUP_LANGUAGE_H_
