#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_VERIFIER_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_VERIFIER_H_

#include "base/files/file_path.h"

// The hint pages and their assets are plain files beside the program, so
// anyone could change what the pop-up shows. Each file is checked against a
// SHA-1 digest built into the program before the notifier starts and before
// every hint.

// True when every file of the built-in table exists in the content folder
// and matches its digest; stops at the first file that does not. The switch
// "disable-file-verification" skips the check, but only for a program image
// that carries no embedded certificate.
bool VerifyNotificationFiles();

// Reads the program image at |path|. True when it is a readable PE image
// (32- or 64-bit), with |has_certificate| telling whether its certificate table
// is non-empty; false when it could not be read as one.
bool HasEmbeddedCertificate(const base::FilePath& path, bool* has_certificate);

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_VERIFIER_H_
