#include "base/win/windows_version.h"

#include <windows.h>

namespace base {
namespace win {

namespace {

// GetVersionExW answers with the newest system that the program's manifest
// declares, not with the one that runs; the kernel's own answer does not
// depend on a manifest.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

bool ReadKernelVersion(OSVERSIONINFOW* info) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll)
    return false;
  auto rtl_get_version = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  return rtl_get_version && rtl_get_version(info) == 0;
}

Version VersionFromNumbers(int major, int minor) {
  if (major > 6)
    return VERSION_WIN10;
  if (major == 6) {
    switch (minor) {
      case 0:
        return VERSION_VISTA;
      case 1:
        return VERSION_WIN7;
      case 2:
        return VERSION_WIN8;
      default:
        return VERSION_WIN8_1;
    }
  }
  if (major == 5) {
    if (minor == 0)
      return VERSION_PRE_XP;
    return minor == 1 ? VERSION_XP : VERSION_SERVER_2003;
  }
  return VERSION_PRE_XP;
}

}  // namespace

// static
OSInfo* OSInfo::GetInstance() {
  // Leaked on purpose: callers may ask while the process is exiting.
  static OSInfo* const info = new OSInfo();
  return info;
}

OSInfo::OSInfo() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!ReadKernelVersion(&info)) {
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info))
      return;
#pragma GCC diagnostic pop
  }
  major_version_ = static_cast<int>(info.dwMajorVersion);
  minor_version_ = static_cast<int>(info.dwMinorVersion);
  version_ = VersionFromNumbers(major_version_, minor_version_);
}

Version GetVersion() {
  return OSInfo::GetInstance()->version();
}

}  // namespace win
}  // namespace base
