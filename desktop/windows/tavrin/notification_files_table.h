#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_TABLE_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_TABLE_H_

#include <cstddef>

// One file of the content folder: its path below the folder above the
// content folder ("notifications/...") and its SHA-1, both in base64.
struct NotificationFileDigest {
  const char* path_base64;
  const char* sha1_base64;
};

// The content table, generated from the shipped files at build time.
extern const NotificationFileDigest kNotificationFileDigests[];
extern const size_t kNotificationFileDigestCount;

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_FILES_TABLE_H_
