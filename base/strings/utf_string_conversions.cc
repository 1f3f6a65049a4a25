#include "base/strings/utf_string_conversions.h"

#include <windows.h>

namespace base {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsValidCodePoint(char32_t code_point) {
  return code_point < 0xD800u ||
         (code_point >= 0xE000u && code_point <= 0x10FFFFu);
}

// Decodes one UTF-8 sequence starting at |*index| and advances past it. A
// malformed sequence yields one U+FFFD for its longest valid prefix, so the
// next well-formed character is still found.
char32_t DecodeUTF8(std::string_view utf8, size_t* index) {
  const unsigned char lead = static_cast<unsigned char>(utf8[*index]);
  ++*index;
  if (lead < 0x80)
    return lead;

  int trail_count;
  char32_t code_point;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail_count = 1;
    code_point = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail_count = 2;
    code_point = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail_count = 3;
    code_point = lead & 0x07;
    minimum = 0x10000;
  } else {
    return kReplacementCharacter;
  }

  for (int i = 0; i < trail_count; ++i) {
    if (*index >= utf8.size())
      return kReplacementCharacter;
    const unsigned char trail = static_cast<unsigned char>(utf8[*index]);
    if ((trail & 0xC0) != 0x80)
      return kReplacementCharacter;
    const char32_t next = (code_point << 6) | (trail & 0x3F);
    // Overlong forms, surrogates and values past U+10FFFF show at the first
    // trail byte already; that byte is left for the next character then.
    if (i == 0 && trail_count > 1) {
      const char32_t shift = 6 * (trail_count - 1);
      const char32_t high = next << shift;
      const char32_t max_low = (char32_t{1} << shift) - 1;
      if (high + max_low < minimum || (high >= 0xD800 && high <= 0xDFFF) ||
          high > 0x10FFFF) {
        return kReplacementCharacter;
      }
    }
    code_point = next;
    ++*index;
  }
  if (code_point < minimum || !IsValidCodePoint(code_point))
    return kReplacementCharacter;
  return code_point;
}

void AppendUTF16(char32_t code_point, std::wstring* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<wchar_t>(code_point));
  } else {
    code_point -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (code_point >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (code_point & 0x3FF)));
  }
}

void AppendUTF8(char32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

}  // namespace

std::wstring UTF8ToWide(std::string_view utf8) {
  std::wstring result;
  result.reserve(utf8.size());
  size_t index = 0;
  while (index < utf8.size())
    AppendUTF16(DecodeUTF8(utf8, &index), &result);
  return result;
}

std::string WideToUTF8(std::wstring_view wide) {
  std::string result;
  result.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t unit = static_cast<char16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 < wide.size()) {
        const char32_t next = static_cast<char16_t>(wide[i + 1]);
        if (next >= 0xDC00 && next <= 0xDFFF) {
          AppendUTF8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00),
                     &result);
          ++i;
          continue;
        }
      }
      unit = kReplacementCharacter;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      unit = kReplacementCharacter;
    }
    AppendUTF8(unit, &result);
  }
  return result;
}

std::wstring ASCIIToWide(std::string_view ascii) {
  std::wstring result;
  result.reserve(ascii.size());
  for (char c : ascii)
    result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return result;
}

std::string WideToASCII(std::wstring_view wide) {
  std::string result;
  result.reserve(wide.size());
  for (wchar_t c : wide)
    result.push_back(static_cast<char>(c));
  return result;
}

bool IsStringASCII(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

bool IsStringASCII(std::wstring_view text) {
  for (wchar_t c : text) {
    if (static_cast<char16_t>(c) >= 0x80)
      return false;
  }
  return true;
}

std::string SysWideToNativeMB(std::wstring_view wide) {
  if (wide.empty())
    return std::string();
  const int length = static_cast<int>(wide.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length,
                                         nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string result(size, '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, result.data(), size,
                        nullptr, nullptr);
  return result;
}

std::wstring SysNativeMBToWide(std::string_view native) {
  if (native.empty())
    return std::wstring();
  const int length = static_cast<int>(native.size());
  const int size =
      ::MultiByteToWideChar(CP_ACP, 0, native.data(), length, nullptr, 0);
  if (size <= 0)
    return std::wstring();
  std::wstring result(size, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, native.data(), length, result.data(), size);
  return result;
}

}  // namespace base
