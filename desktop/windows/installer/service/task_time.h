#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_TIME_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_TIME_H_

#include <windows.h>

#include <string>

#include "base/time/time.h"

namespace installer {

// |time| in the machine's local time zone. False for the null time or when
// the conversion fails.
bool TimeToLocalSystemTime(base::Time time, SYSTEMTIME* local);

// A local time back to a point in time; the null time when it does not
// convert.
base::Time LocalSystemTimeToTime(const SYSTEMTIME& local);

// The task services' boundary form of |time| in local time, to the second,
// without a zone: "2016-10-13T08:03:05". Empty when it does not convert.
std::wstring FormatTaskTime(base::Time time);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_TIME_H_
