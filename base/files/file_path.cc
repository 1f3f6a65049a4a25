#include "base/files/file_path.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace base {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// Where the parts of a path lie in its string.
struct Parts {
  size_t root_name_length = 0;
  // The root directory's one separator, or npos.
  size_t root_directory = std::wstring_view::npos;
  // Where the first file name starts, after any further separators.
  size_t relative_start = 0;
};

Parts Parse(std::wstring_view path) {
  Parts parts;
  const size_t length = path.size();
  size_t position = 0;
  if (length > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      !IsSeparator(path[2])) {
    // "\\server" and "\\?" run to the next separator.
    position = 3;
    while (position < length && !IsSeparator(path[position]))
      ++position;
    parts.root_name_length = position;
  } else if (length > 1 && path[1] == L':') {
    position = 2;
    parts.root_name_length = 2;
  }
  if (position < length && IsSeparator(path[position]))
    parts.root_directory = position;
  while (position < length && IsSeparator(path[position]))
    ++position;
  parts.relative_start = position;
  return parts;
}

// The file names after the root, with an empty one last when the path ends
// with a separator.
std::vector<std::wstring_view> SplitNames(std::wstring_view path,
                                          const Parts& parts) {
  std::vector<std::wstring_view> names;
  size_t position = parts.relative_start;
  while (position < path.size()) {
    size_t end = position;
    while (end < path.size() && !IsSeparator(path[end]))
      ++end;
    names.push_back(path.substr(position, end - position));
    if (end == path.size())
      break;
    position = end;
    while (position < path.size() && IsSeparator(path[position]))
      ++position;
    if (position == path.size())
      names.push_back(std::wstring_view());
  }
  return names;
}

// Root names compare with either separator alike: "//server" is
// "\\server".
int CompareRootNames(std::wstring_view left, std::wstring_view right) {
  for (size_t i = 0; i < left.size() && i < right.size(); ++i) {
    const wchar_t a = left[i] == L'/' ? L'\\' : left[i];
    const wchar_t b = right[i] == L'/' ? L'\\' : right[i];
    if (a != b)
      return a < b ? -1 : 1;
  }
  if (left.size() == right.size())
    return 0;
  return left.size() < right.size() ? -1 : 1;
}

bool IsDot(std::wstring_view name) {
  return name == L".";
}

bool IsDotDot(std::wstring_view name) {
  return name == L"..";
}

}  // namespace

FilePath::FilePath() = default;
FilePath::FilePath(const FilePath& other) = default;
FilePath::FilePath(FilePath&& other) noexcept = default;
FilePath::FilePath(const std::wstring& path) : path_(path) {}
FilePath::FilePath(std::wstring&& path) noexcept : path_(std::move(path)) {}
FilePath::FilePath(std::wstring_view path) : path_(path) {}
FilePath::FilePath(const wchar_t* path) : path_(path ? path : L"") {}
FilePath::~FilePath() = default;

FilePath& FilePath::operator=(const FilePath& other) = default;
FilePath& FilePath::operator=(FilePath&& other) noexcept = default;

bool FilePath::has_root_name() const {
  return Parse(path_).root_name_length != 0;
}

bool FilePath::has_root_directory() const {
  return Parse(path_).root_directory != std::wstring::npos;
}

bool FilePath::is_absolute() const {
  const Parts parts = Parse(path_);
  return parts.root_name_length != 0 &&
         parts.root_directory != std::wstring::npos;
}

FilePath FilePath::root_name() const {
  return FilePath(path_.substr(0, Parse(path_).root_name_length));
}

FilePath FilePath::root_path() const {
  const Parts parts = Parse(path_);
  if (parts.root_directory == std::wstring::npos)
    return FilePath(path_.substr(0, parts.root_name_length));
  // The root directory is one separator, however many follow it.
  return FilePath(path_.substr(0, parts.root_directory + 1));
}

FilePath FilePath::parent_path() const {
  const Parts parts = Parse(path_);
  if (parts.relative_start == path_.size())
    return *this;
  const std::vector<std::wstring_view> names = SplitNames(path_, parts);
  if (names.size() >= 2) {
    const std::wstring_view& previous = names[names.size() - 2];
    return FilePath(path_.substr(
        0,
        static_cast<size_t>(previous.data() - path_.data()) + previous.size()));
  }
  // One name: its parent is the root, if there is one.
  if (parts.root_directory != std::wstring::npos)
    return FilePath(path_.substr(0, parts.root_directory + 1));
  return FilePath(path_.substr(0, parts.root_name_length));
}

FilePath FilePath::filename() const {
  const Parts parts = Parse(path_);
  if (parts.relative_start == path_.size() || IsSeparator(path_.back()))
    return FilePath();
  size_t start = path_.size();
  while (start > parts.relative_start && !IsSeparator(path_[start - 1]))
    --start;
  return FilePath(path_.substr(start));
}

FilePath FilePath::extension() const {
  const FilePath name = filename();
  if (IsDot(name.path_) || IsDotDot(name.path_))
    return FilePath();
  const size_t dot = name.path_.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0)
    return FilePath();
  return FilePath(name.path_.substr(dot));
}

FilePath& FilePath::replace_extension(const FilePath& extension) {
  // The extension ends the file name, which ends the path.
  path_.resize(path_.size() - this->extension().path_.size());
  if (!extension.empty() && extension.path_[0] != L'.')
    path_ += L'.';
  path_ += extension.path_;
  return *this;
}

FilePath FilePath::lexically_normal() const {
  if (path_.empty())
    return FilePath();
  const Parts parts = Parse(path_);
  const bool has_root_directory = parts.root_directory != std::wstring::npos;
  std::vector<std::wstring_view> kept;
  // Whether the last name left a separator behind it: "a\." and "a\b\.."
  // both leave "a\".
  bool trailing_separator = false;
  for (std::wstring_view name : SplitNames(path_, parts)) {
    if (name.empty() || IsDot(name)) {
      trailing_separator = true;
    } else if (IsDotDot(name)) {
      if (!kept.empty() && !IsDotDot(kept.back())) {
        kept.pop_back();
        trailing_separator = true;
      } else if (kept.empty() && has_root_directory) {
        // Nothing is above the root directory.
      } else {
        kept.push_back(name);
        trailing_separator = false;
      }
    } else {
      kept.push_back(name);
      trailing_separator = false;
    }
  }

  // A ".." that stays keeps no separator after it.
  if (!kept.empty() && IsDotDot(kept.back()))
    trailing_separator = false;

  std::wstring result = path_.substr(0, parts.root_name_length);
  std::replace(result.begin(), result.end(), L'/', kSeparator);
  if (has_root_directory)
    result += kSeparator;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i)
      result += kSeparator;
    result += kept[i];
  }
  if (trailing_separator && !kept.empty())
    result += kSeparator;
  if (result.empty())
    result = L".";
  return FilePath(std::move(result));
}

FilePath& FilePath::operator/=(const FilePath& other) {
  if (&other == this)
    return *this /= FilePath(other);
  const Parts other_parts = Parse(other.path_);
  const std::wstring_view other_root_name =
      std::wstring_view(other.path_).substr(0, other_parts.root_name_length);
  if (other.is_absolute() || path_.empty() ||
      (!other_root_name.empty() &&
       CompareRootNames(other_root_name,
                        std::wstring_view(path_).substr(
                            0, Parse(path_).root_name_length)) != 0)) {
    path_ = other.path_;
    return *this;
  }
  const size_t root_name_length = Parse(path_).root_name_length;
  if (other_parts.root_directory != std::wstring::npos) {
    path_.resize(root_name_length);
  } else if (!filename().empty() ||
             (root_name_length > 2 && root_name_length == path_.size())) {
    // A drive's name takes a relative path as it is ("C:" and "a" make
    // "C:a", relative to that drive's current folder), a server's does not:
    // "\\server" and "share" make "\\server\share".
    path_ += kSeparator;
  }
  path_.append(other.path_, other_parts.root_name_length);
  return *this;
}

int FilePath::compare(const FilePath& other) const {
  const Parts parts = Parse(path_);
  const Parts other_parts = Parse(other.path_);
  const int root_names = CompareRootNames(
      std::wstring_view(path_).substr(0, parts.root_name_length),
      std::wstring_view(other.path_).substr(0, other_parts.root_name_length));
  if (root_names)
    return root_names;
  const bool root_directory = parts.root_directory != std::wstring::npos;
  const bool other_root_directory =
      other_parts.root_directory != std::wstring::npos;
  if (root_directory != other_root_directory)
    return root_directory ? 1 : -1;
  const std::vector<std::wstring_view> names = SplitNames(path_, parts);
  const std::vector<std::wstring_view> other_names =
      SplitNames(other.path_, other_parts);
  for (size_t i = 0; i < names.size() && i < other_names.size(); ++i) {
    if (const int result = names[i].compare(other_names[i]))
      return result;
  }
  if (names.size() == other_names.size())
    return 0;
  return names.size() < other_names.size() ? -1 : 1;
}

}  // namespace base
