#ifndef BASE_WIN_REGISTRY_H_
#define BASE_WIN_REGISTRY_H_

#include <windows.h>

#include <string>
#include <vector>

namespace base {
namespace win {

// Owns one open registry key and closes it when it goes or is reopened.
//
// Every call answers the Win32 result of the registry function it wraps
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ...), so that a
// caller can tell a missing key from a refused one. The access mask is always
// the caller's: nothing here widens or narrows it. A root key handed in
// (HKEY_CURRENT_USER and the like) is never closed.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();

  // RegOpenKeyExW of |subkey| below |root|; an empty |subkey| opens a new
  // handle to |root| itself. A failure leaves the object closed.
  LONG Open(HKEY root, const std::wstring& subkey, REGSAM access);
  // RegCreateKeyExW (non-volatile) of |subkey| with every missing key on the
  // way. |disposition| (may be null) receives REG_CREATED_NEW_KEY or
  // REG_OPENED_EXISTING_KEY; |attributes| (may be null) carries the
  // descriptor of the keys it creates.
  LONG Create(HKEY root,
              const std::wstring& subkey,
              REGSAM access,
              DWORD* disposition = nullptr,
              SECURITY_ATTRIBUTES* attributes = nullptr);
  void Close();

  bool Valid() const { return key_ != nullptr; }
  HKEY Handle() const { return key_; }

  // The value's type and bytes; |type| may be null.
  LONG ReadValue(const std::wstring& name,
                 std::vector<BYTE>* data,
                 DWORD* type) const;
  // A REG_SZ or REG_EXPAND_SZ value (not expanded), without its terminator.
  // ERROR_UNSUPPORTED_TYPE for a value of another type.
  LONG ReadValue(const std::wstring& name, std::wstring* text) const;
  // A REG_DWORD value; ERROR_UNSUPPORTED_TYPE for a value of another type.
  LONG ReadValueDW(const std::wstring& name, DWORD* number) const;
  // Whether the key holds a value |name| (the empty name is the default
  // value).
  bool HasValue(const std::wstring& name) const;

  // Writes |size| bytes at |data| as a value of |type|; a value without bytes
  // is allowed.
  LONG WriteValue(const std::wstring& name,
                  const void* data,
                  DWORD size,
                  DWORD type);
  // A REG_SZ value, terminator included.
  LONG WriteValue(const std::wstring& name, const std::wstring& text);
  LONG WriteValue(const std::wstring& name, DWORD number);

  LONG DeleteValue(const std::wstring& name);

 private:
  HKEY key_ = nullptr;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_REGISTRY_H_
