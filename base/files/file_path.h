#ifndef BASE_FILES_FILE_PATH_H_
#define BASE_FILES_FILE_PATH_H_

#include <iosfwd>
#include <string>
#include <string_view>

namespace base {

// A Windows path held as its native wide string. '\' and '/' are both
// separators and '\' is the one added; a path is made of an optional root
// name ("C:", "\\server", "\\?"), an optional root directory and file names,
// with "." and ".." kept as names unless normalised on purpose. Its members
// answer as std::filesystem::path's do on Windows, without the standard
// library's path, whose narrow conversions link the locale and stream code
// into every program. One difference: "\\server" and "\\?" are root names
// here, as Windows reads them; MinGW's library reads them as a root
// directory and a file name, so that normalising "\\server\share" would
// make it "\server\share", a folder on the current drive.
class FilePath {
 public:
  static constexpr wchar_t kSeparator = L'\\';

  FilePath();
  FilePath(const FilePath& other);
  FilePath(FilePath&& other) noexcept;
  // Implicit, as paths are handed around as the strings they are.
  FilePath(const std::wstring& path);
  FilePath(std::wstring&& path) noexcept;
  FilePath(std::wstring_view path);
  FilePath(const wchar_t* path);
  ~FilePath();

  FilePath& operator=(const FilePath& other);
  FilePath& operator=(FilePath&& other) noexcept;

  const std::wstring& native() const { return path_; }
  const wchar_t* c_str() const { return path_.c_str(); }
  std::wstring wstring() const { return path_; }
  bool empty() const { return path_.empty(); }
  void clear() { path_.clear(); }

  bool has_root_name() const;
  bool has_root_directory() const;
  // A root name and a root directory both: "C:\a", "\\server\share".
  bool is_absolute() const;
  FilePath root_name() const;
  FilePath root_path() const;

  // The path without its last component: "C:\a\b" gives "C:\a", "C:\a\"
  // gives "C:\a", "C:\" gives itself and "name" gives an empty path.
  FilePath parent_path() const;
  // The last file name; empty when the path ends with a separator.
  FilePath filename() const;
  // From the last '.' of the file name on, unless the name starts with it
  // or is "." or "..".
  FilePath extension() const;
  // Drops the extension and appends `extension`, with a '.' before it
  // unless it has one.
  FilePath& replace_extension(const FilePath& extension = FilePath());

  // Single '\' separators, no "." names, no "name\.." pairs, no ".." right
  // after a root directory; "." for what would be empty.
  FilePath lexically_normal() const;

  // Appends `other` after a separator. An absolute `other`, or one with
  // another root name, replaces this path; one with a root directory keeps
  // only this path's root name.
  FilePath& operator/=(const FilePath& other);
  friend FilePath operator/(const FilePath& left, const FilePath& right) {
    FilePath result(left);
    result /= right;
    return result;
  }

  // Appends the text as it is, with no separator: "log" += ".old".
  FilePath& operator+=(const FilePath& other) {
    path_ += other.path_;
    return *this;
  }

  // Component by component, so "a/b" equals "a\b" and "a\\b", but not
  // "a\b\".
  int compare(const FilePath& other) const;
  friend bool operator==(const FilePath& left, const FilePath& right) {
    return left.compare(right) == 0;
  }
  friend bool operator!=(const FilePath& left, const FilePath& right) {
    return left.compare(right) != 0;
  }
  friend bool operator<(const FilePath& left, const FilePath& right) {
    return left.compare(right) < 0;
  }

 private:
  std::wstring path_;
};

// Writes the path as UTF-8, for test output. Defined in a file of its own,
// so that a program that never prints a path links no stream code.
std::ostream& operator<<(std::ostream& out, const FilePath& path);

}  // namespace base

#endif  // BASE_FILES_FILE_PATH_H_
