#include "desktop/windows/tavrin/power_status.h"

namespace {

PowerStatusFunction g_power_status_function = nullptr;

}  // namespace

bool GetPowerStatus(SYSTEM_POWER_STATUS* status) {
  PowerStatusFunction function = g_power_status_function
                                     ? g_power_status_function
                                     : &::GetSystemPowerStatus;
  return function(status) != FALSE;
}

void SetPowerStatusFunctionForTesting(PowerStatusFunction function) {
  g_power_status_function = function;
}
