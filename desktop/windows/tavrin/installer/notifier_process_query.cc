#include "desktop/windows/tavrin/installer/notifier_process_query.h"

#include <wbemidl.h>
#include <wrl/client.h>

#include "base/win/scoped_variant.h"
#include "base/win/wmi.h"

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

std::vector<DWORD> QueryNotifierProcessIds(const std::wstring& install_folder) {
  std::vector<DWORD> ids;
  Microsoft::WRL::ComPtr<IWbemServices> services;
  if (FAILED(base::win::ConnectToWmi(&services)))
    return ids;
  const std::wstring query = BuildNotifierProcessQuery(install_folder);
  if (query.empty())
    return ids;
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> rows;
  if (FAILED(base::win::ExecWmiQuery(services.Get(), query, &rows)))
    return ids;
  base::win::ForEachWmiObject(rows.Get(), [&ids](IWbemClassObject* row) {
    base::win::ScopedVariant process_id;
    if (FAILED(row->Get(L"ProcessId", 0, process_id.Receive(), nullptr,
                        nullptr)) ||
        process_id.type() == VT_NULL || process_id.type() == VT_EMPTY) {
      return;
    }
    ids.push_back(process_id.type() == VT_UI4
                      ? V_UI4(&process_id.Get())
                      : static_cast<DWORD>(V_I4(&process_id.Get())));
  });
  return ids;
}

}  // namespace installer
