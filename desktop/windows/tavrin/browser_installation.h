#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_INSTALLATION_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_INSTALLATION_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"

class JsonPrefStore;

namespace base {
template <typename Type>
class Singleton;
}

// The Ulvena browser installation the notifier belongs to: the folder that
// holds launcher.exe (the notifier's own folder or the one above it), the
// browser's installation settings in installer_prefs.json there, which the
// notifier only reads, and the browser profile folder derived from both.
class BrowserInstallation {
 public:
  static BrowserInstallation* GetInstance();

  BrowserInstallation(const BrowserInstallation&) = delete;
  BrowserInstallation& operator=(const BrowserInstallation&) = delete;

  // The store on installer_prefs.json, read on the first call.
  std::shared_ptr<JsonPrefStore> GetInstallerPrefs();

  // True and |value| set (from UTF-8) when |key| holds a string in
  // installer_prefs.json; |value| is left alone otherwise.
  bool GetPrefString(const char* key, std::wstring* value);

  // Whether the browser keeps its profile inside its installation folder.
  bool IsSingleProfile();

  // The browser profile folder: "profile_path" with "<USERNAME>" replaced,
  // else the product's default profile folder under the roaming application
  // data.
  bool GetProfileDir(base::FilePath* path);

  // The folder that holds the notifier's prefs and log.
  bool GetUserDataDir(base::FilePath* path);

  static bool GetCurrentUserName(std::wstring* user_name);

  const base::FilePath& installation_dir() const { return installation_dir_; }

 private:
  friend class base::Singleton<BrowserInstallation>;

  BrowserInstallation();
  virtual ~BrowserInstallation();

  base::FilePath installation_dir_;
  std::wstring profile_path_;
  std::shared_ptr<JsonPrefStore> installer_prefs_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_INSTALLATION_H_
