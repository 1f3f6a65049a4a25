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
#include "desktop/windows/tavrin/startup_language.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"

namespace {

constexpr wchar_t kStartupMutexName[] = L"Local\\UlvenaTavrinStartup";

// Longer than any start-up takes; one that hangs must not keep every later
// notifier waiting for ever.
constexpr DWORD kStartupWaitMs = 60 * 1000;

// Lets one notifier of the session start up at a time. The window lookup
// alone misses a notifier that has not created its window yet, so two
// started at once would both run.
class ScopedStartupTurn {
 public:
  ScopedStartupTurn()
      : mutex_(::CreateMutexW(nullptr, FALSE, kStartupMutexName)) {
    if (!mutex_)
      return;
    // Abandoned by a notifier that died starting up: the turn is ours.
    const DWORD wait = ::WaitForSingleObject(mutex_, kStartupWaitMs);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ScopedStartupTurn(const ScopedStartupTurn&) = delete;
  ScopedStartupTurn& operator=(const ScopedStartupTurn&) = delete;
  ~ScopedStartupTurn() { Release(); }

  void Release() {
    if (owned_)
      ::ReleaseMutex(mutex_);
    owned_ = false;
    if (mutex_)
      ::CloseHandle(mutex_);
    mutex_ = nullptr;
  }

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  ScopedStartupTurn startup_turn;
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

  RcL10nHandler::GetInstance()->Init(
      GetStartupLanguage(BrowserInstallation::GetInstance(),
                         *base::CommandLine::ForCurrentProcess()));

  {
    base::MessageLoop message_loop(base::MessageLoop::TYPE_UI);
    // Whatever Init returns, the loop runs: a notifier that may not show
    // hints still idles until it is ended from outside.
    TavrinMainController::GetInstance()->Init(instance);
    // The main window exists now, or never will: a notifier whose Init
    // failed keeps no other from starting.
    startup_turn.Release();
    message_loop.Run();
  }
  return 0;
}
