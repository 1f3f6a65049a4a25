#ifndef BASE_STRINGS_STRING_UTIL_H_
#define BASE_STRINGS_STRING_UTIL_H_

#include <string>
#include <string_view>
#include <vector>

namespace base {

std::string ToLowerASCII(std::string_view text);
std::wstring ToLowerASCII(std::wstring_view text);
std::string ToUpperASCII(std::string_view text);
bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b);
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b);

enum class CompareCase { SENSITIVE, INSENSITIVE_ASCII };
bool StartsWith(std::string_view text, std::string_view prefix,
                CompareCase compare = CompareCase::SENSITIVE);
bool StartsWith(std::wstring_view text, std::wstring_view prefix,
                CompareCase compare = CompareCase::SENSITIVE);
bool EndsWith(std::string_view text, std::string_view suffix,
              CompareCase compare = CompareCase::SENSITIVE);
bool EndsWith(std::wstring_view text, std::wstring_view suffix,
              CompareCase compare = CompareCase::SENSITIVE);

// White space: blank, tab, CR, LF, vertical tab, form feed.
std::string TrimWhitespaceASCII(std::string_view text);
std::wstring TrimWhitespace(std::wstring_view text);

// Replaces every |find| at or after |start_offset|; text put in is not
// searched again.
void ReplaceSubstringsAfterOffset(std::string* str, size_t start_offset,
                                  std::string_view find,
                                  std::string_view replace_with);
void ReplaceSubstringsAfterOffset(std::wstring* str, size_t start_offset,
                                  std::wstring_view find,
                                  std::wstring_view replace_with);
// Replaces only the first |find| at or after |start_offset|.
void ReplaceFirstSubstringAfterOffset(std::wstring* str, size_t start_offset,
                                      std::wstring_view find,
                                      std::wstring_view replace_with);

std::vector<std::string> SplitString(std::string_view text, char separator);

// printf into a std::string.
std::string StringPrintf(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace base

#endif  // BASE_STRINGS_STRING_UTIL_H_
