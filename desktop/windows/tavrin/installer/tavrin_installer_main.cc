// The installer program: no window, no user interface. The command line
// chooses what one run does, and the exit code reports how it went.

#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "desktop/windows/product_info/product_info.h"
#include "desktop/windows/tavrin/installer/installer_switches.h"
#include "desktop/windows/tavrin/installer/installer_version.h"
#include "desktop/windows/tavrin/installer/tavrin_installer.h"

namespace {

// The work of the installer object, one per run.
enum class InstallerAction { kInstall, kUninstall, kPostElevationTasks };

// Whoever reads the output (a script, the browser's updater) takes it as it
// stands, so no line end is added.
bool PrintToStdout(const std::string& text) {
  printf("%s", text.c_str());
  fflush(stdout);
  return true;
}

// A relative folder is resolved once, against the current folder, so that
// the Run value, the update task and the install log never hold a path
// that means something else from another folder.
base::FilePath ResolveInstallFolder(const base::FilePath& folder) {
  if (folder.is_absolute())
    return folder;
  const DWORD size = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (!size)
    return base::FilePath();
  std::wstring full(size, L'\0');
  const DWORD length =
      ::GetFullPathNameW(folder.c_str(), size, full.data(), nullptr);
  if (!length || length >= size)
    return base::FilePath();
  full.resize(length);
  return base::FilePath(full);
}

bool RunInstallerAction(InstallerAction action,
                        const base::FilePath& install_folder,
                        bool all_users,
                        bool copy_only) {
  installer::TavrinInstaller tavrin_installer(install_folder, all_users,
                                              copy_only);
  switch (action) {
    case InstallerAction::kInstall:
      return tavrin_installer.Install();
    case InstallerAction::kUninstall:
      return tavrin_installer.Uninstall();
    case InstallerAction::kPostElevationTasks:
      return tavrin_installer.RunPostElevationTasks();
  }
  return false;
}

bool RunInstaller() {
  const base::CommandLine& command_line =
      *base::CommandLine::ForCurrentProcess();
  namespace switches = installer::switches;

  if (command_line.HasSwitch(switches::kVersion))
    return PrintToStdout(installer::GetVersion());
  if (command_line.HasSwitch(switches::kInternalVersion))
    return PrintToStdout(installer::GetInternalVersion());
  if (command_line.HasSwitch(switches::kStream))
    return PrintToStdout(product_info::GetStreamName());

  const bool copy_only =
      installer::IsSwitchSetToOne(command_line, switches::kCopyOnly);
  const bool all_users =
      installer::IsSwitchSetToOne(command_line, switches::kAllUsers);

  // An uninstall always removes the copy it is run from, whatever folder the
  // command line names.
  if (command_line.HasSwitch(switches::kUninstall)) {
    base::FilePath own_folder;
    if (!base::PathService::Get(base::DIR_EXE, &own_folder)) {
      LOG(ERROR) << "Cannot find the installer's own folder";
      return false;
    }
    return RunInstallerAction(InstallerAction::kUninstall, own_folder,
                              all_users, copy_only);
  }

  if (!command_line.HasSwitch(switches::kInstallFolder))
    return false;
  // An absolute folder is taken as given: the install log records it in
  // this spelling.
  const base::FilePath install_folder = ResolveInstallFolder(
      command_line.GetSwitchValuePath(switches::kInstallFolder));
  if (install_folder.empty()) {
    LOG(ERROR) << "Cannot resolve the install folder";
    return false;
  }
  return RunInstallerAction(
      command_line.HasSwitch(switches::kPostElevatedInstallTasks)
          ? InstallerAction::kPostElevationTasks
          : InstallerAction::kInstall,
      install_folder, all_users, copy_only);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance,
                    HINSTANCE prev_instance,
                    wchar_t* command_line,
                    int show_command) {
  const HRESULT com_result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  auto exit_manager = std::make_unique<base::AtExitManager>();
  base::CommandLine::Init(0, nullptr);

  logging::LoggingSettings logging_settings;
  logging_settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  logging::InitLogging(logging_settings);

  bool succeeded = false;
  auto message_loop =
      std::make_unique<base::MessageLoop>(base::MessageLoop::TYPE_DEFAULT);
  message_loop->task_runner()->PostTask(
      FROM_HERE_WITH_EXPLICIT_FUNCTION("WinMain"),
      [&succeeded] { succeeded = RunInstaller(); });
  message_loop->RunUntilIdle();
  message_loop.reset();

  // Runs what the run registered for its end, such as the shutdown of the
  // pref store's worker pool, which waits for a pending write.
  exit_manager.reset();

  if (SUCCEEDED(com_result))
    CoUninitialize();
  return succeeded ? 0 : 1;
}
