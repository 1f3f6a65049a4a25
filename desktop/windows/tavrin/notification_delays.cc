#include "desktop/windows/tavrin/notification_delays.h"

#include <string>

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"

base::TimeDelta GetDelayFromSwitch(const char* switch_name,
                                   base::TimeDelta default_delay) {
  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  if (!command_line || !command_line->HasSwitch(switch_name))
    return default_delay;
  int seconds = 0;
  if (!base::StringToInt(command_line->GetSwitchValueASCII(switch_name),
                         &seconds)) {
    return default_delay;
  }
  return base::TimeDelta::FromSeconds(seconds);
}

base::TimeDelta GetInitialNotificationDelay() {
  return GetDelayFromSwitch("override-initial-notification-delay",
                            base::TimeDelta::FromSeconds(300));
}

base::TimeDelta GetBaseNotificationDelay() {
  return GetDelayFromSwitch("override-base-notification-delay",
                            base::TimeDelta::FromSeconds(900));
}

base::TimeDelta GetAfterNotificationDelay() {
  return GetDelayFromSwitch("override-after-notification-delay",
                            base::TimeDelta::FromHours(24));
}

base::TimeDelta GetDisconnectWaitNotificationDelay() {
  return GetDelayFromSwitch("override-disconnect-wait-notification-delay",
                            base::TimeDelta::FromHours(1));
}
