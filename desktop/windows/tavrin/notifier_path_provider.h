#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFIER_PATH_PROVIDER_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFIER_PATH_PROVIDER_H_

#include "base/files/file_path.h"

namespace tavrin {

// The notifier's own path-service keys.
enum TavrinPathKey {
  PATH_START = 10000,
  // The browser's launcher.exe in the folder above the notifier's; resolves
  // only while a file or folder of that name is there.
  FILE_LAUNCHER = PATH_START,
  // The hint content folder next to the notifier.
  DIR_NOTIFICATIONS,
  // The browser profile folder that holds the notifier's prefs and log.
  DIR_USER_DATA,
  FILE_PREFS,
  FILE_LOG,
  PATH_END
};

// Answers the keys above for base::PathService.
bool NotifierPathProvider(int key, base::FilePath* result);

// Registers NotifierPathProvider for [PATH_START, PATH_END).
void RegisterNotifierPathProvider();

}  // namespace tavrin

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFIER_PATH_PROVIDER_H_
