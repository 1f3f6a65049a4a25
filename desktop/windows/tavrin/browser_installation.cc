#include "desktop/windows/tavrin/browser_installation.h"

#include <windows.h>

#include <lmcons.h>

#include "base/files/file_util.h"
#include "base/memory/singleton.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "components/prefs/json_pref_store.h"
#include "desktop/windows/product_info/product_info.h"
#include "desktop/windows/tavrin/rejecting_task_runner.h"

namespace {

constexpr wchar_t kLauncherName[] = L"launcher.exe";
constexpr wchar_t kInstallerPrefsName[] = L"installer_prefs.json";
constexpr wchar_t kUserNamePlaceholder[] = L"<USERNAME>";
constexpr char kInternalStreamPlaceholder[] = "{InternalStream}";

constexpr char kProfilePathPref[] = "profile_path";
constexpr char kSingleProfilePref[] = "single_profile";

bool HasLauncher(const base::FilePath& folder) {
  return ::GetFileAttributesW((folder / kLauncherName).c_str()) !=
         INVALID_FILE_ATTRIBUTES;
}

}  // namespace

// static
BrowserInstallation* BrowserInstallation::GetInstance() {
  return base::Singleton<BrowserInstallation>::get();
}

BrowserInstallation::BrowserInstallation() {
  base::FilePath exe_dir;
  if (base::PathService::Get(base::DIR_EXE, &exe_dir)) {
    installation_dir_ = exe_dir;
    // The notifier is normally installed in a subfolder of the browser
    // installation.
    if (!HasLauncher(exe_dir) && HasLauncher(exe_dir.parent_path()))
      installation_dir_ = exe_dir.parent_path();
  }
  GetPrefString(kProfilePathPref, &profile_path_);
}

BrowserInstallation::~BrowserInstallation() = default;

std::shared_ptr<JsonPrefStore> BrowserInstallation::GetInstallerPrefs() {
  if (!installer_prefs_) {
    // The notifier never writes the browser's settings: a runner that
    // refuses every task keeps the store from saving anything.
    installer_prefs_ = std::make_shared<JsonPrefStore>(
        installation_dir_ / kInstallerPrefsName,
        std::make_shared<RejectingTaskRunner>());
    installer_prefs_->ReadPrefs();
  }
  return installer_prefs_;
}

bool BrowserInstallation::GetPrefString(const char* key, std::wstring* value) {
  const base::Value* pref = GetInstallerPrefs()->GetValue(key);
  if (!pref || !pref->is_string())
    return false;
  *value = base::UTF8ToWide(pref->get_ref<const std::string&>());
  return true;
}

bool BrowserInstallation::IsSingleProfile() {
  const base::Value* pref = GetInstallerPrefs()->GetValue(kSingleProfilePref);
  return pref && pref->is_boolean() && pref->get<bool>();
}

bool BrowserInstallation::GetProfileDir(base::FilePath* path) {
  if (!profile_path_.empty()) {
    std::wstring profile_path = profile_path_;
    if (profile_path.find(kUserNamePlaceholder) != std::wstring::npos) {
      std::wstring user_name;
      if (!GetCurrentUserName(&user_name))
        return false;
      base::ReplaceFirstSubstringAfterOffset(&profile_path, 0,
                                             kUserNamePlaceholder, user_name);
    }
    *path = base::FilePath(profile_path);
    return true;
  }

  base::FilePath app_data;
  if (!base::PathService::Get(base::DIR_APP_DATA, &app_data))
    return false;
  std::string relative = product_info::GetDefaultProfilePathTemplate();
  base::ReplaceSubstringsAfterOffset(&relative, 0, kInternalStreamPlaceholder,
                                     product_info::GetInternalStreamName());
  base::ReplaceSubstringsAfterOffset(&relative, 0, "/", "\\");
  *path = app_data / base::ASCIIToWide(relative);
  return true;
}

bool BrowserInstallation::GetUserDataDir(base::FilePath* path) {
  if (installation_dir_.empty())
    return false;
  if (IsSingleProfile()) {
    *path = installation_dir_ / L"profile" / L"data";
    return true;
  }
  return GetProfileDir(path);
}

// static
bool BrowserInstallation::GetCurrentUserName(std::wstring* user_name) {
  wchar_t buffer[UNLEN + 1];
  DWORD size = UNLEN + 1;
  if (!::GetUserNameW(buffer, &size))
    return false;
  *user_name = buffer;
  return true;
}
