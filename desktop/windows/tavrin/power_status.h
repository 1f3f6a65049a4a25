#ifndef DESKTOP_WINDOWS_TAVRIN_POWER_STATUS_H_
#define DESKTOP_WINDOWS_TAVRIN_POWER_STATUS_H_

#include <windows.h>

// The system's power status (GetSystemPowerStatus), through a seam that
// tests can replace: a test machine cannot be put on battery.
bool GetPowerStatus(SYSTEM_POWER_STATUS* status);

// Tests only: |function| answers GetPowerStatus from now on; null restores
// the system's answer.
using PowerStatusFunction = BOOL(WINAPI*)(SYSTEM_POWER_STATUS* status);
void SetPowerStatusFunctionForTesting(PowerStatusFunction function);

#endif  // DESKTOP_WINDOWS_TAVRIN_POWER_STATUS_H_
