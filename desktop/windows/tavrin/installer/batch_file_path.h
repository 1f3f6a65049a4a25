#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_BATCH_FILE_PATH_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_BATCH_FILE_PATH_H_

#include <string>

#include "base/files/file_path.h"

namespace installer {

// A path as it is written between double quotes in a line of a batch file.
struct BatchFilePath {
  // The narrow text to write.
  std::string text;
  // The text holds UTF-8 that only a script switched to code page 65001
  // reads as meant.
  bool needs_utf8_code_page = false;
};

// cmd reads a batch file in the console's code page and expands '%' even
// inside quotes, so the path's text is made to reach it unchanged: every '%'
// is doubled, and a path with letters outside ASCII is written by its short
// (8.3) name, which is ASCII, when the file system keeps one; otherwise in
// UTF-8. '&', '^', '!' and blanks need nothing inside quotes as long as
// delayed expansion is off.
BatchFilePath ToBatchFilePath(const base::FilePath& path);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_BATCH_FILE_PATH_H_
