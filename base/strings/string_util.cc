#include "base/strings/string_util.h"

#include <stdarg.h>
#include <stdio.h>

#include <algorithm>

namespace base {

namespace {

template <typename Char>
Char ToLowerASCIIChar(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

template <typename Char>
Char ToUpperASCIIChar(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - ('a' - 'A')) : c;
}

template <typename Char>
bool IsWhitespaceASCII(Char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' ||
         c == '\f';
}

template <typename Char>
bool EqualsCaseInsensitiveT(std::basic_string_view<Char> a,
                            std::basic_string_view<Char> b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerASCIIChar(a[i]) != ToLowerASCIIChar(b[i]))
      return false;
  }
  return true;
}

template <typename Char>
bool StartsWithT(std::basic_string_view<Char> text,
                 std::basic_string_view<Char> prefix,
                 CompareCase compare) {
  if (prefix.size() > text.size())
    return false;
  text = text.substr(0, prefix.size());
  return compare == CompareCase::SENSITIVE
             ? text == prefix
             : EqualsCaseInsensitiveT(text, prefix);
}

template <typename Char>
bool EndsWithT(std::basic_string_view<Char> text,
               std::basic_string_view<Char> suffix,
               CompareCase compare) {
  if (suffix.size() > text.size())
    return false;
  text = text.substr(text.size() - suffix.size());
  return compare == CompareCase::SENSITIVE
             ? text == suffix
             : EqualsCaseInsensitiveT(text, suffix);
}

template <typename Char>
std::basic_string<Char> TrimT(std::basic_string_view<Char> text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsWhitespaceASCII(text[begin]))
    ++begin;
  while (end > begin && IsWhitespaceASCII(text[end - 1]))
    --end;
  return std::basic_string<Char>(text.substr(begin, end - begin));
}

template <typename Char>
void ReplaceT(std::basic_string<Char>* str,
              size_t start_offset,
              std::basic_string_view<Char> find,
              std::basic_string_view<Char> replace_with,
              bool first_only) {
  // An empty pattern would match everywhere without ever advancing.
  if (find.empty() || start_offset > str->size())
    return;
  size_t position = str->find(find.data(), start_offset, find.size());
  while (position != std::basic_string<Char>::npos) {
    str->replace(position, find.size(), replace_with.data(),
                 replace_with.size());
    if (first_only)
      return;
    position =
        str->find(find.data(), position + replace_with.size(), find.size());
  }
}

}  // namespace

std::string ToLowerASCII(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 ToLowerASCIIChar<char>);
  return result;
}

std::wstring ToLowerASCII(std::wstring_view text) {
  std::wstring result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 ToLowerASCIIChar<wchar_t>);
  return result;
}

std::string ToUpperASCII(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 ToUpperASCIIChar<char>);
  return result;
}

bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b) {
  return EqualsCaseInsensitiveT(a, b);
}

bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b) {
  return EqualsCaseInsensitiveT(a, b);
}

bool StartsWith(std::string_view text,
                std::string_view prefix,
                CompareCase compare) {
  return StartsWithT(text, prefix, compare);
}

bool StartsWith(std::wstring_view text,
                std::wstring_view prefix,
                CompareCase compare) {
  return StartsWithT(text, prefix, compare);
}

bool EndsWith(std::string_view text,
              std::string_view suffix,
              CompareCase compare) {
  return EndsWithT(text, suffix, compare);
}

bool EndsWith(std::wstring_view text,
              std::wstring_view suffix,
              CompareCase compare) {
  return EndsWithT(text, suffix, compare);
}

std::string TrimWhitespaceASCII(std::string_view text) {
  return TrimT(text);
}

std::wstring TrimWhitespace(std::wstring_view text) {
  return TrimT(text);
}

void ReplaceSubstringsAfterOffset(std::string* str,
                                  size_t start_offset,
                                  std::string_view find,
                                  std::string_view replace_with) {
  ReplaceT(str, start_offset, find, replace_with, false);
}

void ReplaceSubstringsAfterOffset(std::wstring* str,
                                  size_t start_offset,
                                  std::wstring_view find,
                                  std::wstring_view replace_with) {
  ReplaceT(str, start_offset, find, replace_with, false);
}

void ReplaceFirstSubstringAfterOffset(std::wstring* str,
                                      size_t start_offset,
                                      std::wstring_view find,
                                      std::wstring_view replace_with) {
  ReplaceT(str, start_offset, find, replace_with, true);
}

std::vector<std::string> SplitString(std::string_view text, char separator) {
  std::vector<std::string> result;
  if (text.empty())
    return result;
  size_t begin = 0;
  while (true) {
    const size_t end = text.find(separator, begin);
    if (end == std::string_view::npos) {
      result.emplace_back(text.substr(begin));
      return result;
    }
    result.emplace_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list args_copy;
  va_copy(args_copy, args);
  const int size = vsnprintf(nullptr, 0, format, args_copy);
  va_end(args_copy);
  std::string result;
  if (size > 0) {
    result.resize(size);
    // vsnprintf writes the terminating NUL too; std::string keeps room for
    // one past size().
    vsnprintf(result.data(), size + 1, format, args);
  }
  va_end(args);
  return result;
}

}  // namespace base
