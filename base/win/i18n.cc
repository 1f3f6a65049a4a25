#include "base/win/i18n.h"

#include <windows.h>

namespace base {
namespace win {

bool GetThreadPreferredUILanguageList(std::vector<std::wstring>* languages) {
  const DWORD flags =
      MUI_LANGUAGE_NAME | MUI_MERGE_SYSTEM_FALLBACK | MUI_MERGE_USER_FALLBACK;
  ULONG count = 0;
  ULONG size = 0;
  if (!::GetThreadPreferredUILanguages(flags, &count, nullptr, &size) ||
      size == 0) {
    return false;
  }
  std::wstring buffer(size, L'\0');
  if (!::GetThreadPreferredUILanguages(flags, &count, buffer.data(), &size))
    return false;
  // A list of NUL-terminated names, ended by an empty one.
  languages->clear();
  for (const wchar_t* name = buffer.c_str(); *name; name += wcslen(name) + 1) {
    languages->push_back(name);
  }
  return true;
}

}  // namespace win
}  // namespace base
