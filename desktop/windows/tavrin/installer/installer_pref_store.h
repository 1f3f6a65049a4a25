#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_PREF_STORE_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_PREF_STORE_H_

#include <memory>

#include "base/files/file_path.h"
#include "components/prefs/json_pref_store.h"

namespace installer {

// The JSON pref store on |path| (installer_prefs.json), read already; a
// missing file gives an empty store. Its writes run on the process-wide
// worker pool "PrefsTaskPool", created on the first call, whose shutdown at
// exit waits for a write still pending. The caller holds the only reference.
std::unique_ptr<JsonPrefStore> OpenInstallerPrefStore(
    const base::FilePath& path);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_INSTALLER_PREF_STORE_H_
