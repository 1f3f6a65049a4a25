#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_VERSION_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_VERSION_H_

#include <string>
#include <string_view>

// The version numbers the installer prints on request. The major and minor
// numbers follow the product description, the build numbers are this
// program's own; tavrin_installer.rc carries the same full version.
namespace installer {

// "major.minor.build.patch".
std::string GetVersion();
// "build.patch".
std::string GetInternalVersion();

// The product description's "major_delta"; 0 when missing or no integer.
int GetMajorDelta();
// The engine's major version when UseChromiumMajorForMinor(), else 0.
int GetMinorVersion();
// The major number of the built-in engine version.
int GetChromiumMajorVersion();
// The product description's "use_chromium_major_for_minor".
bool UseChromiumMajorForMinor();
// The boolean at a dotted path of the product description; false when
// missing or of another type.
bool GetProductInfoBool(std::string_view key);

std::string BuildVersionString(int major, int minor, int build, int patch);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_VERSION_H_
