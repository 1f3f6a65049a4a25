#ifndef BASE_FILES_FILE_PATH_H_
#define BASE_FILES_FILE_PATH_H_

#include <filesystem>

namespace base {

// Paths are the standard library's: wide on Windows, '\' as the preferred
// separator, and "." or ".." kept as components unless normalised on purpose.
using FilePath = std::filesystem::path;

}  // namespace base

#endif  // BASE_FILES_FILE_PATH_H_
