#ifndef BASE_TEST_SCOPED_PATH_OVERRIDE_H_
#define BASE_TEST_SCOPED_PATH_OVERRIDE_H_

#include "base/files/file_path.h"
#include "base/path_service.h"

namespace base {

// Makes PathService answer |key| with |path| while it exists, and removes
// the override again when it goes, so that a test that fails halfway cannot
// leave its folder behind for the next one. Overrides of one key do not nest:
// the innermost one that goes removes the key's override.
class ScopedPathOverride {
 public:
  ScopedPathOverride(int key, const FilePath& path)
      : key_(key), succeeded_(PathService::Override(key, path)) {}
  ScopedPathOverride(const ScopedPathOverride&) = delete;
  ScopedPathOverride& operator=(const ScopedPathOverride&) = delete;
  ~ScopedPathOverride() {
    if (succeeded_)
      PathService::RemoveOverride(key_);
  }

  // False when PathService refused the path (an empty one).
  bool Succeeded() const { return succeeded_; }

 private:
  const int key_;
  const bool succeeded_;
};

}  // namespace base

#endif  // BASE_TEST_SCOPED_PATH_OVERRIDE_H_
