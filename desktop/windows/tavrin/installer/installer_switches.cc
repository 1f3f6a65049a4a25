#include "desktop/windows/tavrin/installer/installer_switches.h"

#include "base/command_line.h"

namespace installer {
namespace switches {

// Makes an install write its registry values for every user and run the
// update task as the system account.
const char kAllUsers[] = "allusers";
// Makes an install copy files only: no registry values, no update task.
const char kCopyOnly[] = "copyonly";
// The folder to install into.
const char kInstallFolder[] = "installfolder";
// Prints the build numbers only.
const char kInternalVersion[] = "internal-version";
// Runs what an install leaves for after elevation: starting the notifier.
const char kPostElevatedInstallTasks[] = "post-elevated-install-tasks";
// Prints the release stream's name.
const char kStream[] = "stream";
// Uninstalls the copy the running program belongs to.
const char kUninstall[] = "uninstall";
// Prints the full version.
const char kVersion[] = "version";

}  // namespace switches

bool IsSwitchSetToOne(const base::CommandLine& command_line,
                      std::string_view switch_name) {
  return command_line.HasSwitch(switch_name) &&
         command_line.GetSwitchValueNative(switch_name) == L"1";
}

}  // namespace installer
