#include "desktop/windows/installer/service/task_time.h"

#include <cwchar>

namespace installer {

bool TimeToLocalSystemTime(base::Time time, SYSTEMTIME* local) {
  if (time.is_null())
    return false;
  FILETIME file_time;
  time.ToFileTime(&file_time);
  SYSTEMTIME utc;
  return FileTimeToSystemTime(&file_time, &utc) &&
         SystemTimeToTzSpecificLocalTime(nullptr, &utc, local);
}

base::Time LocalSystemTimeToTime(const SYSTEMTIME& local) {
  SYSTEMTIME utc;
  FILETIME file_time;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &file_time)) {
    return base::Time();
  }
  return base::Time::FromFileTime(file_time);
}

std::wstring FormatTaskTime(base::Time time) {
  SYSTEMTIME local;
  if (!TimeToLocalSystemTime(time, &local))
    return std::wstring();
  wchar_t text[32];
  swprintf(text, sizeof(text) / sizeof(text[0]),
           L"%02d-%02d-%02dT%02d:%02d:%02d", local.wYear, local.wMonth,
           local.wDay, local.wHour, local.wMinute, local.wSecond);
  return text;
}

}  // namespace installer
