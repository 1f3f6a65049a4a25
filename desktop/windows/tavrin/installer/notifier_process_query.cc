#include "desktop/windows/tavrin/installer/notifier_process_query.h"

namespace installer {

std::wstring EscapeForWqlString(const std::wstring& text) {
  std::wstring escaped;
  escaped.reserve(text.size() + 8);
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'\'')
      escaped += L'\\';
    escaped += c;
  }
  return escaped;
}

std::wstring BuildNotifierProcessQuery(const std::wstring& install_folder) {
  if (install_folder.find(L'\\') == std::wstring::npos)
    return std::wstring();
  // A folder such as C:\Users\O'Brien would end the literal early unescaped,
  // and the query would fail instead of finding the notifier.
  return L"SELECT * FROM Win32_Process WHERE ExecutablePath = '" +
         EscapeForWqlString(install_folder) + L"\\\\tavrin.exe'";
}

}  // namespace installer
