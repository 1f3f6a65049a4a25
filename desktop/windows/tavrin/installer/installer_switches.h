#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_SWITCHES_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_SWITCHES_H_

#include <string_view>

namespace base {
class CommandLine;
}

// The installer's command line.
namespace installer {
namespace switches {

extern const char kAllUsers[];
extern const char kCopyOnly[];
extern const char kInstallFolder[];
extern const char kInternalVersion[];
extern const char kPostElevatedInstallTasks[];
extern const char kStream[];
extern const char kUninstall[];
extern const char kVersion[];

}  // namespace switches

// True only when |switch_name| is given with the value "1" exactly: the
// installer's yes/no choices ("copyonly", "allusers") take no other spelling.
bool IsSwitchSetToOne(const base::CommandLine& command_line,
                      std::string_view switch_name);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_SWITCHES_H_
