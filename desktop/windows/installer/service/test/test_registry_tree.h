#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TEST_REGISTRY_TREE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TEST_REGISTRY_TREE_H_

#include <windows.h>

#include <aclapi.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <vector>

#include "base/win/registry.h"

namespace installer {

// A registry value as read back by a test.
struct TestRegistryValue {
  bool operator==(const TestRegistryValue& other) const = default;

  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// The DACL of the key with the registry object name |name| as bytes; empty
// for a null DACL or a key that cannot be read.
inline std::vector<BYTE> ReadRegistryDaclBytes(std::wstring name) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::vector<BYTE> bytes;
  if (GetNamedSecurityInfoW(name.data(), SE_REGISTRY_KEY,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                            nullptr, &descriptor) == ERROR_SUCCESS) {
    if (acl) {
      bytes.assign(reinterpret_cast<BYTE*>(acl),
                   reinterpret_cast<BYTE*>(acl) + acl->AclSize);
    }
    LocalFree(descriptor);
  }
  return bytes;
}

// Names the root of a test parameterised over HKCU and HKLM.
inline std::string RootParamName(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU";
}

// A key tree of the test's own, "Software\TavrinTest<pid>_<ticks>_<n>" under
// |root|, created empty and deleted with everything below it when the object
// goes, whatever access lists a test left on its keys.
class TestRegistryTree {
 public:
  explicit TestRegistryTree(HKEY root) : root_(root) {
    static int counter = 0;
    path_ = L"Software\\TavrinTest" + std::to_wstring(GetCurrentProcessId()) +
            L"_" + std::to_wstring(GetTickCount()) + L"_" +
            std::to_wstring(++counter);
    created_ = CreateKey(L"");
  }
  TestRegistryTree(const TestRegistryTree&) = delete;
  TestRegistryTree& operator=(const TestRegistryTree&) = delete;
  ~TestRegistryTree() {
    AllowEverybody(L"");
    SHDeleteKeyW(root_, path_.c_str());
  }

  bool created() const { return created_; }
  HKEY root() const { return root_; }
  const std::wstring& path() const { return path_; }

  // The path below the root of |relative| inside the tree; the tree itself
  // for an empty one.
  std::wstring Path(const std::wstring& relative) const {
    return relative.empty() ? path_ : path_ + L"\\" + relative;
  }

  // Its name for the named-security functions.
  std::wstring ObjectName(const std::wstring& relative) const {
    const wchar_t* prefix =
        root_ == HKEY_LOCAL_MACHINE ? L"MACHINE\\" : L"CURRENT_USER\\";
    return prefix + Path(relative);
  }

  bool CreateKey(const std::wstring& relative) const {
    return base::win::RegKey().Create(root_, Path(relative), KEY_ALL_ACCESS) ==
           ERROR_SUCCESS;
  }

  // A key that refuses to open is there all the same.
  bool KeyExists(const std::wstring& relative) const {
    return base::win::RegKey().Open(root_, Path(relative), KEY_QUERY_VALUE) !=
           ERROR_FILE_NOT_FOUND;
  }

  bool SetValue(const std::wstring& relative,
                const std::wstring& name,
                DWORD type,
                const void* data,
                DWORD size) const {
    return RegSetKeyValueW(root_, Path(relative).c_str(), name.c_str(), type,
                           data, size) == ERROR_SUCCESS;
  }
  bool SetString(const std::wstring& relative,
                 const std::wstring& name,
                 const std::wstring& text) const {
    return SetValue(relative, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  bool SetDword(const std::wstring& relative,
                const std::wstring& name,
                DWORD number) const {
    return SetValue(relative, name, REG_DWORD, &number, sizeof(number));
  }

  std::optional<TestRegistryValue> ReadValue(const std::wstring& relative,
                                             const std::wstring& name) const {
    base::win::RegKey key;
    TestRegistryValue value;
    if (key.Open(root_, Path(relative), KEY_QUERY_VALUE) != ERROR_SUCCESS ||
        key.ReadValue(name, &value.data, &value.type) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return value;
  }

  // The key's DACL as bytes; empty for a null DACL or a key that cannot be
  // read.
  std::vector<BYTE> DaclBytes(const std::wstring& relative) const {
    return ReadRegistryDaclBytes(ObjectName(relative));
  }

  // Gives the key a protected DACL that holds exactly |acl| (an empty DACL,
  // which allows nothing, when |acl| is null).
  bool SetDacl(const std::wstring& relative, PACL acl) const {
    ACL empty;
    if (!InitializeAcl(&empty, sizeof(empty), ACL_REVISION))
      return false;
    std::wstring name = ObjectName(relative);
    return SetNamedSecurityInfoW(
               name.data(), SE_REGISTRY_KEY,
               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
               nullptr, nullptr, acl ? acl : &empty, nullptr) == ERROR_SUCCESS;
  }

  // Gives the key and every key below it a null DACL, which allows
  // everything; the tree can then be read and deleted whatever a test did to
  // it.
  void AllowEverybody(const std::wstring& relative) const {
    std::wstring name = ObjectName(relative);
    SetNamedSecurityInfoW(name.data(), SE_REGISTRY_KEY,
                          DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                          nullptr);
    base::win::RegKey key;
    if (key.Open(root_, Path(relative), KEY_ENUMERATE_SUB_KEYS) !=
        ERROR_SUCCESS) {
      return;
    }
    wchar_t subkey[256];
    for (DWORD index = 0;; ++index) {
      DWORD length = ARRAYSIZE(subkey);
      if (RegEnumKeyExW(key.Handle(), index, subkey, &length, nullptr, nullptr,
                        nullptr, nullptr) != ERROR_SUCCESS) {
        break;
      }
      AllowEverybody(relative.empty() ? std::wstring(subkey)
                                      : relative + L"\\" + subkey);
    }
  }

 private:
  HKEY root_;
  std::wstring path_;
  bool created_ = false;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TEST_REGISTRY_TREE_H_
