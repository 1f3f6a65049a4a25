#include "base/path_service.h"

#include <windows.h>

#include <shlobj.h>

#include <map>
#include <mutex>
#include <vector>

#include "base/files/file_util.h"

namespace base {

namespace {

struct Provider {
  PathService::ProviderFunc func;
  int key_start;
  int key_end;
};

bool GetModulePath(HMODULE module, FilePath* result) {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = ::GetModuleFileNameW(
        module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0)
      return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      *result = FilePath(buffer);
      return true;
    }
    // Truncated: try again with room for a long path.
    if (buffer.size() >= 32768)
      return false;
    buffer.resize(buffer.size() * 2);
  }
}

bool GetShellFolder(int csidl, FilePath* result) {
  wchar_t buffer[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT,
                                buffer))) {
    return false;
  }
  *result = FilePath(buffer);
  return true;
}

bool BasePathProvider(int key, FilePath* result) {
  FilePath path;
  switch (key) {
    case FILE_EXE:
      return GetModulePath(nullptr, result);
    case DIR_EXE:
      if (!GetModulePath(nullptr, &path))
        return false;
      *result = path.parent_path();
      return true;
    case FILE_MODULE:
    case DIR_MODULE: {
      // The module that holds this function: the program itself when base
      // is linked statically, a DLL otherwise.
      HMODULE module = nullptr;
      if (!::GetModuleHandleExW(
              GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
              reinterpret_cast<LPCWSTR>(&BasePathProvider), &module)) {
        return false;
      }
      if (!GetModulePath(module, &path))
        return false;
      *result = key == FILE_MODULE ? path : path.parent_path();
      return true;
    }
    case DIR_TEMP:
      return GetTempDir(result);
    case DIR_CURRENT: {
      const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
      if (size == 0)
        return false;
      std::wstring buffer(size, L'\0');
      const DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
      if (length == 0 || length >= size)
        return false;
      buffer.resize(length);
      *result = FilePath(buffer);
      return true;
    }
    case DIR_APP_DATA:
      return GetShellFolder(CSIDL_APPDATA, result);
    case DIR_LOCAL_APP_DATA:
      return GetShellFolder(CSIDL_LOCAL_APPDATA, result);
    case DIR_SYSTEM: {
      wchar_t buffer[MAX_PATH];
      const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
      if (length == 0 || length >= MAX_PATH)
        return false;
      *result = FilePath(std::wstring(buffer, length));
      return true;
    }
    default:
      return false;
  }
}

struct PathData {
  std::mutex lock;
  // Newest registration first; the base provider is always last.
  std::vector<Provider> providers{{&BasePathProvider, PATH_START, PATH_END}};
  std::map<int, FilePath> overrides;
};

PathData& GetPathData() {
  static PathData data;
  return data;
}

}  // namespace

// static
bool PathService::Get(int key, FilePath* result) {
  std::vector<Provider> providers;
  {
    PathData& data = GetPathData();
    std::lock_guard<std::mutex> hold(data.lock);
    const auto it = data.overrides.find(key);
    if (it != data.overrides.end()) {
      *result = it->second;
      return true;
    }
    providers = data.providers;
  }
  // Providers run without the lock held: they may ask for other keys.
  for (const Provider& provider : providers) {
    if (key < provider.key_start || key >= provider.key_end)
      continue;
    FilePath path;
    if (provider.func(key, &path) && !path.empty()) {
      *result = path;
      return true;
    }
  }
  return false;
}

// static
void PathService::RegisterProvider(ProviderFunc provider,
                                   int key_start,
                                   int key_end) {
  PathData& data = GetPathData();
  std::lock_guard<std::mutex> hold(data.lock);
  data.providers.insert(data.providers.begin(),
                        Provider{provider, key_start, key_end});
}

// static
bool PathService::Override(int key, const FilePath& path) {
  if (path.empty())
    return false;
  PathData& data = GetPathData();
  std::lock_guard<std::mutex> hold(data.lock);
  data.overrides[key] = path;
  return true;
}

// static
bool PathService::RemoveOverride(int key) {
  PathData& data = GetPathData();
  std::lock_guard<std::mutex> hold(data.lock);
  return data.overrides.erase(key) != 0;
}

}  // namespace base
