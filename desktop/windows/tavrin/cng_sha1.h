#ifndef DESKTOP_WINDOWS_TAVRIN_CNG_SHA1_H_
#define DESKTOP_WINDOWS_TAVRIN_CNG_SHA1_H_

#include <windows.h>

#include <bcrypt.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "base/native_library.h"

constexpr size_t kSha1DigestLength = 20;

// SHA-1 through Cryptography Next Generation, loaded by name at run time so
// that the program still starts where the library is missing. One instance
// holds the library and its open SHA-1 provider: loading them costs far more
// than hashing a small file, so a check of many files opens them once. Both
// are released when the instance is destroyed.
class CngSha1 {
 public:
  // Null when |library_name| does not load, lacks one of the functions, or
  // opens no SHA-1 provider.
  static std::unique_ptr<CngSha1> Open(const wchar_t* library_name);

  CngSha1(const CngSha1&) = delete;
  CngSha1& operator=(const CngSha1&) = delete;
  ~CngSha1();

  // SHA-1 of |file| from its current position to its end. False when a read
  // or a CNG call fails; |digest| is then undefined.
  bool HashFile(FILE* file, uint8_t digest[kSha1DigestLength]);

 private:
  using OpenAlgorithmProviderFunction = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*,
                                                          LPCWSTR,
                                                          LPCWSTR,
                                                          ULONG);
  using CloseAlgorithmProviderFunction = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE,
                                                           ULONG);
  using GetPropertyFunction =
      NTSTATUS(WINAPI*)(BCRYPT_HANDLE, LPCWSTR, PUCHAR, ULONG, ULONG*, ULONG);
  using CreateHashFunction = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE,
                                               BCRYPT_HASH_HANDLE*,
                                               PUCHAR,
                                               ULONG,
                                               PUCHAR,
                                               ULONG,
                                               ULONG);
  using DestroyHashFunction = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
  using HashDataFunction = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE,
                                             PUCHAR,
                                             ULONG,
                                             ULONG);
  using FinishHashFunction = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE,
                                               PUCHAR,
                                               ULONG,
                                               ULONG);

  explicit CngSha1(base::NativeLibrary library);

  // Looks up every function and opens the provider.
  bool Initialize();

  base::NativeLibrary library_;
  OpenAlgorithmProviderFunction open_algorithm_provider_ = nullptr;
  CloseAlgorithmProviderFunction close_algorithm_provider_ = nullptr;
  GetPropertyFunction get_property_ = nullptr;
  CreateHashFunction create_hash_ = nullptr;
  DestroyHashFunction destroy_hash_ = nullptr;
  HashDataFunction hash_data_ = nullptr;
  FinishHashFunction finish_hash_ = nullptr;
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  DWORD hash_object_length_ = 0;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_CNG_SHA1_H_
