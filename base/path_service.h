#ifndef BASE_PATH_SERVICE_H_
#define BASE_PATH_SERVICE_H_

#include "base/files/file_path.h"

namespace base {

enum BasePathKey {
  PATH_START = 0,
  FILE_EXE,     // The running program.
  DIR_EXE,      // Its folder.
  FILE_MODULE,  // The module this code is linked into.
  DIR_MODULE,
  DIR_TEMP,
  DIR_CURRENT,
  DIR_APP_DATA,  // The user's roaming application data.
  DIR_LOCAL_APP_DATA,
  DIR_SYSTEM,  // The system's own programs (system32).
  PATH_END
};

// Answers path keys. Providers register for a key range; overrides (tests)
// win over every provider.
class PathService {
 public:
  using ProviderFunc = bool (*)(int key, FilePath* result);

  static bool Get(int key, FilePath* result);
  // Keys in [key_start, key_end) are answered by |provider|.
  static void RegisterProvider(ProviderFunc provider,
                               int key_start,
                               int key_end);
  static bool Override(int key, const FilePath& path);
  static bool RemoveOverride(int key);
};

}  // namespace base

#endif  // BASE_PATH_SERVICE_H_
