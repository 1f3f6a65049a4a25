#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TEST_FILE_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TEST_FILE_UTIL_H_

#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace installer {

// The contents of |path|; empty, and a test failure, when it cannot be read.
inline std::string ReadTestFile(const base::FilePath& path) {
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path;
  return contents;
}

// |path| as a log line writes it.
inline std::string PathForLog(const base::FilePath& path) {
  return base::WideToUTF8(path.native());
}

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TEST_FILE_UTIL_H_
