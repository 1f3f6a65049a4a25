#include "base/native_library.h"

namespace base {

std::string NativeLibraryLoadError::ToString() const {
  return std::to_string(code);
}

NativeLibrary LoadNativeLibrary(const FilePath& library_path,
                                NativeLibraryLoadError* error) {
  // For a full path, the library's own folder should satisfy its
  // dependencies before the program's folder does.
  DWORD flags = library_path.is_absolute() ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
  HMODULE module = ::LoadLibraryExW(library_path.c_str(), nullptr, flags);
  if (!module && error)
    error->code = ::GetLastError();
  return module;
}

void UnloadNativeLibrary(NativeLibrary library) {
  if (library)
    ::FreeLibrary(library);
}

void* GetFunctionPointerFromNativeLibrary(NativeLibrary library,
                                          const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(library, name));
}

}  // namespace base
