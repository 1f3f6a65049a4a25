#include "desktop/windows/tavrin/notifier_path_provider.h"

#include "base/files/file_util.h"
#include "base/path_service.h"
#include "desktop/windows/tavrin/browser_installation.h"

namespace tavrin {

namespace {

constexpr wchar_t kLauncherName[] = L"launcher.exe";
constexpr wchar_t kNotificationsFolderName[] = L"notifications";
constexpr wchar_t kPrefsFileName[] = L"tavrin_prefs.json";
constexpr wchar_t kLogFileName[] = L"tavrin.log";

}  // namespace

bool NotifierPathProvider(int key, base::FilePath* result) {
  base::FilePath path;
  switch (key) {
    case FILE_LAUNCHER:
      if (!base::PathService::Get(base::DIR_EXE, &path))
        return false;
      // The ".." stays a component of the path; the launcher is started by
      // exactly this path.
      path = path / L".." / kLauncherName;
      if (!base::PathExists(path))
        return false;
      break;
    case DIR_NOTIFICATIONS:
      if (!base::PathService::Get(base::DIR_EXE, &path))
        return false;
      path /= kNotificationsFolderName;
      break;
    case DIR_USER_DATA:
      if (!BrowserInstallation::GetInstance()->GetUserDataDir(&path))
        return false;
      break;
    case FILE_PREFS:
      if (!base::PathService::Get(DIR_USER_DATA, &path))
        return false;
      path /= kPrefsFileName;
      break;
    case FILE_LOG:
      if (!base::PathService::Get(DIR_USER_DATA, &path))
        return false;
      path /= kLogFileName;
      break;
    default:
      return false;
  }
  *result = path;
  return true;
}

void RegisterNotifierPathProvider() {
  base::PathService::RegisterProvider(&NotifierPathProvider, PATH_START,
                                      PATH_END);
}

}  // namespace tavrin
