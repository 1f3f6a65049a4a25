#ifndef BASE_NATIVE_LIBRARY_H_
#define BASE_NATIVE_LIBRARY_H_

#include <windows.h>

#include <string>

#include "base/files/file_path.h"

namespace base {

using NativeLibrary = HMODULE;

struct NativeLibraryLoadError {
  // The system error of the failed load.
  DWORD code = 0;
  std::string ToString() const;
};

// Loads a DLL. A bare name ("bcrypt") is found by the system's usual search;
// a full path is loaded from its own folder first. Null on failure, with the
// reason in |error| when it is given.
NativeLibrary LoadNativeLibrary(const FilePath& library_path,
                                NativeLibraryLoadError* error);
void UnloadNativeLibrary(NativeLibrary library);
// Null when the library exports no such function.
void* GetFunctionPointerFromNativeLibrary(NativeLibrary library,
                                          const char* name);

}  // namespace base

#endif  // BASE_NATIVE_LIBRARY_H_
