#ifndef BASE_FILES_FILE_UTIL_H_
#define BASE_FILES_FILE_UTIL_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/files/file_path.h"

// <windows.h> turns CreateDirectory, CopyFile and DeleteFile into their "W"
// forms, which would rename the functions below depending on include order.
// It is included here once, and the three macros dropped; code that wants
// the system functions calls them by their "W" names.
#include <windows.h>
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile

namespace base {

// File helpers on wide paths. None of them throws; failures give false.

bool PathExists(const FilePath& path);
bool DirectoryExists(const FilePath& path);
// False when |path| is not an existing directory.
bool IsDirectoryEmpty(const FilePath& path);

// Creates |path| with every missing level above it. True when it exists as a
// directory afterwards.
bool CreateDirectory(const FilePath& path);

// Deletes a file or, with |recursive|, a whole tree. A missing path counts as
// deleted. Without |recursive| a directory is removed only when empty.
bool DeleteFile(const FilePath& path, bool recursive);

// Moves a file or directory, replacing an existing target file.
bool Move(const FilePath& from, const FilePath& to);

// Copies one file, overwriting the target.
bool CopyFile(const FilePath& from, const FilePath& to);

bool ReadFileToString(const FilePath& path, std::string* contents);
// Creates or truncates |path| and writes all of |data|.
bool WriteFile(const FilePath& path, std::string_view data);
// Writes |data| to a temporary file in the same folder and renames it over
// |path|, so a reader sees either the old or the new file, never a part.
bool WriteFileAtomically(const FilePath& path, std::string_view data);

bool GetFileSize(const FilePath& path, int64_t* size);

// Creates a new, uniquely named directory inside |base_dir|.
bool CreateTemporaryDirInDir(const FilePath& base_dir,
                             std::wstring_view prefix,
                             FilePath* new_dir);
bool GetTempDir(FilePath* path);

}  // namespace base

#endif  // BASE_FILES_FILE_UTIL_H_
