#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_VERIFIER_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_VERIFIER_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/files/file_path.h"

// The hint pages and their assets are plain files beside the program, so
// anyone could change what the pop-up shows. Each file is checked against a
// SHA-1 digest built into the program before the notifier starts and before
// every hint.

constexpr size_t kSha1DigestLength = 20;

// One file of the content folder: its path below the folder above the
// content folder ("notifications/...") and its SHA-1, both in base64.
struct NotificationFileDigest {
  const char* path_base64;
  const char* sha1_base64;
};

// The content table, generated from the shipped files at build time.
extern const NotificationFileDigest kNotificationFileDigests[];
extern const size_t kNotificationFileDigestCount;

// True when every file of the table exists in the content folder and matches
// its digest. The switch "disable-file-verification" skips the check, but
// only for a program image that carries no embedded certificate.
bool VerifyNotificationFiles();

// SHA-1 of a whole file into |digest|. False when the file cannot be opened
// or read. Uses the platform hash while it works, libgcrypt after it failed
// once.
bool HashFile(const base::FilePath& path, uint8_t digest[kSha1DigestLength]);

// SHA-1 of |file| from its current position to its end through
// Cryptography Next Generation, loaded at run time.
bool HashFileWithPlatform(FILE* file, uint8_t digest[kSha1DigestLength]);

// Reads the program image at |path|. True when it is a readable 32-bit PE
// image, with |has_certificate| telling whether its certificate table is
// non-empty; false when it could not be read as one.
bool HasEmbeddedCertificate(const base::FilePath& path, bool* has_certificate);

namespace notification_files_internal {

// Whether HashFile still tries the platform hash. Starts true; cleared the
// first time the platform hash fails and never set again.
bool IsPlatformHashEnabled();

// The platform hash through the CNG library of the given name.
bool HashFileWithPlatformLibrary(const wchar_t* library_name,
                                 FILE* file,
                                 uint8_t digest[kSha1DigestLength]);

// The fallback digest: SHA-1 of |file| from its first byte, by libgcrypt.
bool HashFileWithFallback(FILE* file, uint8_t digest[kSha1DigestLength]);

// Test seams: replace the platform hash HashFile calls (null restores the
// real one) and set the platform-hash flag again, as at process start.
using PlatformHashFunction = bool (*)(FILE* file,
                                      uint8_t digest[kSha1DigestLength]);
void SetPlatformHashFunctionForTesting(PlatformHashFunction function);
void ResetPlatformHashForTesting();

}  // namespace notification_files_internal

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_VERIFIER_H_
