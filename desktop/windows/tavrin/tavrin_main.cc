// The notifier's entry point.

#include <windows.h>

#include <ole2.h>

#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/browser_installation.h"
#include "desktop/windows/tavrin/main_window.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"

namespace {

constexpr char kLanguagePref[] = "language";
constexpr char kOverrideLanguageSwitch[] = "override-notification-language";

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  // One notifier per desktop: a running one owns the main window. Nothing
  // may be written before this test, not even the log.
  if (::FindWindowW(MainWindow::kClassName, MainWindow::kWindowTitle))
    return 0;

  // A single-threaded apartment for the browser control and WMI.
  ::OleInitialize(nullptr);

  base::AtExitManager exit_manager;
  base::CommandLine::Init(0, nullptr);
  tavrin::RegisterNotifierPathProvider();

  base::FilePath user_data_dir;
  base::PathService::Get(tavrin::DIR_USER_DATA, &user_data_dir);
  base::CreateDirectory(user_data_dir);

  base::FilePath log_file;
  base::PathService::Get(tavrin::FILE_LOG, &log_file);
  logging::LoggingSettings settings;
  settings.logging_dest =
      logging::LOG_TO_FILE | logging::LOG_TO_SYSTEM_DEBUG_LOG;
  settings.log_file = log_file.native();
  logging::InitLogging(settings);

  std::wstring language = L"en";
  BrowserInstallation::GetInstance()->GetPrefString(kLanguagePref, &language);
  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  if (command_line->HasSwitch(kOverrideLanguageSwitch))
    language = command_line->GetSwitchValueNative(kOverrideLanguageSwitch);
  RcL10nHandler::GetInstance()->Init(language);

  {
    base::MessageLoop message_loop(base::MessageLoop::TYPE_UI);
    // Whatever Init returns, the loop runs: a notifier that may not show
    // hints still idles until it is ended from outside.
    TavrinMainController::GetInstance()->Init(instance);
    message_loop.Run();
  }
  return 0;
}
