#include "base/files/file_util.h"

#include <windows.h>

#include <ntsecapi.h>

#include <algorithm>
#include <atomic>

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// Drops trailing separators, but keeps the one of a root like "C:\".
std::wstring StripTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back()) &&
         !(path.size() == 3 && path[1] == L':')) {
    path.pop_back();
  }
  return path;
}

// The folder above |path|, or empty when |path| has no parent part.
std::wstring ParentOf(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos)
    return std::wstring();
  // Keep the separator of a root ("C:\" or "\").
  if (separator == 0 || (separator == 2 && path[1] == L':'))
    return path.substr(0, separator + 1);
  return path.substr(0, separator);
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
  if (dir.empty() || IsSeparator(dir.back()))
    return dir + name;
  return dir + L'\\' + name;
}

DWORD GetAttributes(const FilePath& path) {
  return ::GetFileAttributesW(path.c_str());
}

bool DeleteTree(const std::wstring& dir) {
  bool success = true;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(JoinPath(dir, L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..")
        continue;
      const std::wstring child = JoinPath(dir, name);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        ::SetFileAttributesW(child.c_str(),
                             data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      }
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A junction or symbolic link is removed itself, never followed:
        // what it points to is not part of this tree.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
          success = ::RemoveDirectoryW(child.c_str()) && success;
        else
          success = DeleteTree(child) && success;
      } else {
        success = ::DeleteFileW(child.c_str()) && success;
      }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  return ::RemoveDirectoryW(dir.c_str()) && success;
}

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    // Large writes are split so that a size never overflows a DWORD.
    const DWORD chunk =
        static_cast<DWORD>(std::min<size_t>(data.size(), 1 << 30));
    DWORD written = 0;
    if (!::WriteFile(file, data.data(), chunk, &written, nullptr) ||
        written == 0) {
      return false;
    }
    data.remove_prefix(written);
  }
  return true;
}

std::wstring RandomSuffix() {
  static std::atomic<unsigned> counter{0};
  uint32_t random = 0;
  if (!::RtlGenRandom(&random, sizeof(random)))
    random = ::GetTickCount() ^ (counter.fetch_add(1) * 2654435761u);
  return NumberToWString(static_cast<int>(::GetCurrentProcessId())) + L"_" +
         NumberToWString(static_cast<int64_t>(random));
}

}  // namespace

bool PathExists(const FilePath& path) {
  return !path.empty() && GetAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const FilePath& path) {
  if (path.empty())
    return false;
  const DWORD attributes = GetAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectoryEmpty(const FilePath& path) {
  if (!DirectoryExists(path))
    return false;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(JoinPath(path.native(), L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE)
    return true;
  bool empty = true;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") {
      empty = false;
      break;
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return empty;
}

bool CreateDirectory(const FilePath& path) {
  const std::wstring target = StripTrailingSeparators(path.native());
  if (target.empty())
    return false;
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

  const std::wstring parent = ParentOf(target);
  if (!parent.empty() && parent != target &&
      !CreateDirectory(FilePath(parent))) {
    return false;
  }
  if (::CreateDirectoryW(target.c_str(), nullptr))
    return true;
  // Another process may have created it in the meantime.
  const DWORD error = ::GetLastError();
  if (DirectoryExists(FilePath(target)))
    return true;
  ::SetLastError(error);
  return false;
}

bool DeleteFile(const FilePath& path, bool recursive) {
  if (path.empty())
    return true;
  const DWORD attributes = GetAttributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return ::DeleteFileW(path.c_str()) != 0;
  if (!recursive || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return ::RemoveDirectoryW(path.c_str()) != 0;
  return DeleteTree(StripTrailingSeparators(path.native()));
}

bool Move(const FilePath& from, const FilePath& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool CopyFile(const FilePath& from, const FilePath& to) {
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool ReadFileToString(const FilePath& path, std::string* contents) {
  if (contents)
    contents->clear();
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  bool success = true;
  char buffer[1 << 16];
  while (true) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer, sizeof(buffer), &read, nullptr)) {
      success = false;
      break;
    }
    if (read == 0)
      break;
    if (contents)
      contents->append(buffer, read);
  }
  ::CloseHandle(file);
  return success;
}

bool WriteFile(const FilePath& path, std::string_view data) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  const bool success = WriteAll(file, data);
  ::CloseHandle(file);
  return success;
}

bool WriteFileAtomically(const FilePath& path, std::string_view data) {
  // The temporary file must be on the same volume for the final rename to
  // be atomic, hence the target's own folder.
  std::wstring dir = ParentOf(StripTrailingSeparators(path.native()));
  if (dir.empty())
    dir = L".";
  wchar_t temp_name[MAX_PATH];
  if (!::GetTempFileNameW(dir.c_str(), L"tmp", 0, temp_name))
    return false;

  HANDLE file = ::CreateFileW(temp_name, GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ::DeleteFileW(temp_name);
    return false;
  }
  // The data must be on disk before the rename makes it the real file, or
  // a crash could leave an empty file behind the old name.
  const bool written = WriteAll(file, data) && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  if (!written ||
      !::MoveFileExW(temp_name, path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temp_name);
    ::SetLastError(error);
    return false;
  }
  return true;
}

bool GetFileSize(const FilePath& path, int64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    return false;
  *size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool CreateTemporaryDirInDir(const FilePath& base_dir,
                             std::wstring_view prefix,
                             FilePath* new_dir) {
  const std::wstring base = StripTrailingSeparators(base_dir.native());
  for (int attempt = 0; attempt < 50; ++attempt) {
    const std::wstring candidate =
        JoinPath(base, std::wstring(prefix) + RandomSuffix());
    if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
      *new_dir = FilePath(candidate);
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return false;
}

bool GetTempDir(FilePath* path) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH)
    return false;
  *path = FilePath(StripTrailingSeparators(std::wstring(buffer, length)));
  return true;
}

}  // namespace base
