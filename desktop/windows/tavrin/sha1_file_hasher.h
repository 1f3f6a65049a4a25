#ifndef DESKTOP_WINDOWS_TAVRIN_SHA1_FILE_HASHER_H_
#define DESKTOP_WINDOWS_TAVRIN_SHA1_FILE_HASHER_H_

#include <cstdint>
#include <cstdio>
#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/tavrin/cng_sha1.h"

// SHA-1 of whole files for one content check. The system's CNG hash is used
// while it works; BoringSSL's SHA-1 is the fallback. The first failure of
// the platform hash switches the whole process to the fallback for good, so
// a broken CNG is not retried for every file of every later check.
//
// CNG is loaded on the first file and released when the hasher is
// destroyed: make one hasher per check, not per file.
class Sha1FileHasher {
 public:
  Sha1FileHasher();
  Sha1FileHasher(const Sha1FileHasher&) = delete;
  Sha1FileHasher& operator=(const Sha1FileHasher&) = delete;
  ~Sha1FileHasher();

  // SHA-1 of the file at |path| into |digest|. False when the file cannot
  // be opened or read.
  bool HashFile(const base::FilePath& path, uint8_t digest[kSha1DigestLength]);

  // SHA-1 of |file| from its current position through CNG; loads it on the
  // first call. False when CNG cannot be loaded or fails.
  bool HashFileWithPlatform(FILE* file, uint8_t digest[kSha1DigestLength]);

  // Tests only: the CNG library that later hashers load (null restores
  // "bcrypt"), so that a test can make the platform hash fail; and the
  // process back to trying the platform hash, as at start.
  static void SetPlatformLibraryForTesting(const wchar_t* library_name);
  static void ResetPlatformHashForTesting();

 private:
  std::unique_ptr<CngSha1> platform_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_SHA1_FILE_HASHER_H_
