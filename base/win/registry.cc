#include "base/win/registry.h"

namespace base {
namespace win {

RegKey::~RegKey() {
  Close();
}

LONG RegKey::Open(HKEY root, const std::wstring& subkey, REGSAM access) {
  Close();
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExW(root, subkey.c_str(), 0, access, &key);
  if (result == ERROR_SUCCESS)
    key_ = key;
  return result;
}

LONG RegKey::Create(HKEY root,
                    const std::wstring& subkey,
                    REGSAM access,
                    DWORD* disposition,
                    SECURITY_ATTRIBUTES* attributes) {
  Close();
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access,
                                        attributes, &key, disposition);
  if (result == ERROR_SUCCESS)
    key_ = key;
  return result;
}

void RegKey::Close() {
  if (key_) {
    ::RegCloseKey(key_);
    key_ = nullptr;
  }
}

LONG RegKey::ReadValue(const std::wstring& name,
                       std::vector<BYTE>* data,
                       DWORD* type) const {
  DWORD value_type = REG_NONE;
  DWORD size = 0;
  LONG result = ::RegQueryValueExW(key_, name.c_str(), nullptr, &value_type,
                                   nullptr, &size);
  // Another writer may grow the value between the two calls: ask again then.
  for (int attempt = 0; result == ERROR_SUCCESS && attempt < 4; ++attempt) {
    data->resize(size);
    result = ::RegQueryValueExW(key_, name.c_str(), nullptr, &value_type,
                                data->empty() ? nullptr : data->data(), &size);
    if (result == ERROR_SUCCESS) {
      data->resize(size);
      if (type)
        *type = value_type;
      return ERROR_SUCCESS;
    }
    if (result == ERROR_MORE_DATA)
      result = ERROR_SUCCESS;
  }
  data->clear();
  return result == ERROR_SUCCESS ? ERROR_MORE_DATA : result;
}

LONG RegKey::ReadValue(const std::wstring& name, std::wstring* text) const {
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  const LONG result = ReadValue(name, &data, &type);
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return ERROR_UNSUPPORTED_TYPE;
  // The stored bytes need not end in a terminator, nor be whole characters.
  std::wstring value(reinterpret_cast<const wchar_t*>(data.data()),
                     data.size() / sizeof(wchar_t));
  const size_t end = value.find(L'\0');
  if (end != std::wstring::npos)
    value.resize(end);
  *text = std::move(value);
  return ERROR_SUCCESS;
}

LONG RegKey::ReadValueDW(const std::wstring& name, DWORD* number) const {
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  const LONG result = ReadValue(name, &data, &type);
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_DWORD || data.size() != sizeof(DWORD))
    return ERROR_UNSUPPORTED_TYPE;
  memcpy(number, data.data(), sizeof(DWORD));
  return ERROR_SUCCESS;
}

bool RegKey::HasValue(const std::wstring& name) const {
  return ::RegQueryValueExW(key_, name.c_str(), nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

LONG RegKey::WriteValue(const std::wstring& name,
                        const void* data,
                        DWORD size,
                        DWORD type) {
  // RegSetValueExW wants a buffer even for a value without bytes.
  static const BYTE kNoBytes = 0;
  return ::RegSetValueExW(
      key_, name.c_str(), 0, type,
      size && data ? static_cast<const BYTE*>(data) : &kNoBytes,
      data ? size : 0);
}

LONG RegKey::WriteValue(const std::wstring& name, const std::wstring& text) {
  return WriteValue(name, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                    REG_SZ);
}

LONG RegKey::WriteValue(const std::wstring& name, DWORD number) {
  return WriteValue(name, &number, sizeof(number), REG_DWORD);
}

LONG RegKey::DeleteValue(const std::wstring& name) {
  return ::RegDeleteValueW(key_, name.c_str());
}

}  // namespace win
}  // namespace base
