#include "desktop/windows/tavrin/installer/installer_version.h"

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/values.h"
#include "desktop/windows/product_info/product_info.h"

namespace installer {

namespace {

// The browser engine this package is built against.
constexpr char kChromiumVersion[] = "53.0.2785.116";

constexpr int kBaseMajorVersion = 40;
constexpr int kBuildVersion = 2308;
constexpr int kPatchVersion = 17697;

constexpr char kMajorDeltaKey[] = "major_delta";
constexpr char kUseChromiumMajorForMinorKey[] = "use_chromium_major_for_minor";

}  // namespace

std::string GetVersion() {
  return BuildVersionString(kBaseMajorVersion + GetMajorDelta(),
                            GetMinorVersion(), kBuildVersion, kPatchVersion);
}

std::string GetInternalVersion() {
  return base::StringPrintf("%d.%d", kBuildVersion, kPatchVersion);
}

int GetMajorDelta() {
  int delta = 0;
  if (!base::GetIntegerAt(*product_info::GetProductInfo(), kMajorDeltaKey,
                          &delta)) {
    return 0;
  }
  return delta;
}

int GetMinorVersion() {
  return UseChromiumMajorForMinor() ? GetChromiumMajorVersion() : 0;
}

int GetChromiumMajorVersion() {
  const std::string_view version(kChromiumVersion);
  int major = 0;
  const bool parsed =
      base::StringToInt(version.substr(0, version.find('.')), &major);
  DCHECK(parsed);
  return major;
}

bool UseChromiumMajorForMinor() {
  return GetProductInfoBool(kUseChromiumMajorForMinorKey);
}

bool GetProductInfoBool(std::string_view key) {
  bool value = false;
  if (!base::GetBooleanAt(*product_info::GetProductInfo(), key, &value))
    return false;
  return value;
}

std::string BuildVersionString(int major, int minor, int build, int patch) {
  return base::StringPrintf("%d.%d.%d.%d", major, minor, build, patch);
}

}  // namespace installer
