#include "desktop/windows/tavrin/notification_files_verifier.h"

#include <windows.h>

#include <bcrypt.h>
#include <gcrypt.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/base64.h"
#include "base/command_line.h"
#include "base/files/memory_mapped_file.h"
#include "base/native_library.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"

namespace {

constexpr char kDisableFileVerificationSwitch[] = "disable-file-verification";
constexpr std::string_view kTablePathPrefix = "notifications/";
constexpr size_t kReadBlockSize = 64 * 1024;

// Offsets into a program image.
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kNtHeadersOffsetField = 60;
// From the "PE\0\0" signature to the end of the Size field of the
// certificate table, the fifth data directory of the 32-bit optional header.
constexpr size_t kNtHeadersNeeded = 160;
constexpr size_t kCertificateTableSizeField = 156;

bool g_platform_hash_enabled = true;

bool RealPlatformHash(FILE* file, uint8_t digest[kSha1DigestLength]) {
  return HashFileWithPlatform(file, digest);
}

notification_files_internal::PlatformHashFunction g_platform_hash =
    &RealPlatformHash;

uint32_t ReadUint32(const uint8_t* bytes) {
  uint32_t value;
  std::memcpy(&value, bytes, sizeof(value));  // Images are little-endian.
  return value;
}

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

bool Succeeded(NTSTATUS status) {
  return status >= 0;
}

template <typename Function>
bool LookUp(base::NativeLibrary library, const char* name, Function* out) {
  *out = reinterpret_cast<Function>(
      base::GetFunctionPointerFromNativeLibrary(library, name));
  return *out != nullptr;
}

// libgcrypt must be told once which version it runs as before any use.
bool InitializeGcrypt() {
  static const bool initialized = [] {
    if (!gcry_check_version(GCRYPT_VERSION))
      return false;
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  return initialized;
}

}  // namespace

namespace notification_files_internal {

bool IsPlatformHashEnabled() {
  return g_platform_hash_enabled;
}

void SetPlatformHashFunctionForTesting(PlatformHashFunction function) {
  g_platform_hash = function ? function : &RealPlatformHash;
}

void ResetPlatformHashForTesting() {
  g_platform_hash_enabled = true;
}

bool HashFileWithPlatformLibrary(const wchar_t* library_name,
                                 FILE* file,
                                 uint8_t digest[kSha1DigestLength]) {
  base::NativeLibrary library =
      base::LoadNativeLibrary(base::FilePath(library_name), nullptr);
  if (!library)
    return false;

  OpenAlgorithmProviderFunction open_algorithm_provider;
  CloseAlgorithmProviderFunction close_algorithm_provider;
  GetPropertyFunction get_property;
  CreateHashFunction create_hash;
  DestroyHashFunction destroy_hash;
  HashDataFunction hash_data;
  FinishHashFunction finish_hash;
  if (!LookUp(library, "BCryptOpenAlgorithmProvider",
              &open_algorithm_provider) ||
      !LookUp(library, "BCryptCloseAlgorithmProvider",
              &close_algorithm_provider) ||
      !LookUp(library, "BCryptGetProperty", &get_property) ||
      !LookUp(library, "BCryptCreateHash", &create_hash) ||
      !LookUp(library, "BCryptDestroyHash", &destroy_hash) ||
      !LookUp(library, "BCryptHashData", &hash_data) ||
      !LookUp(library, "BCryptFinishHash", &finish_hash)) {
    base::UnloadNativeLibrary(library);
    return false;
  }

  bool result = false;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::unique_ptr<uint8_t[]> hash_object;
  do {
    if (!Succeeded(open_algorithm_provider(&algorithm, BCRYPT_SHA1_ALGORITHM,
                                           nullptr, 0))) {
      algorithm = nullptr;
      break;
    }
    DWORD object_length = 0;
    ULONG written = 0;
    if (!Succeeded(get_property(algorithm, BCRYPT_OBJECT_LENGTH,
                                reinterpret_cast<PUCHAR>(&object_length),
                                sizeof(object_length), &written, 0))) {
      break;
    }
    hash_object = std::make_unique<uint8_t[]>(object_length);
    if (!Succeeded(create_hash(algorithm, &hash, hash_object.get(),
                               object_length, nullptr, 0, 0))) {
      hash = nullptr;
      break;
    }
    uint8_t buffer[kReadBlockSize];
    bool hashed_all = true;
    size_t read;
    while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0) {
      if (!Succeeded(hash_data(hash, buffer, static_cast<ULONG>(read), 0))) {
        hashed_all = false;
        break;
      }
    }
    // A read error also ends the loop; a digest of part of the file must
    // not pass for the digest of the file.
    if (!hashed_all || ferror(file))
      break;
    result = Succeeded(finish_hash(hash, digest, kSha1DigestLength, 0));
  } while (false);

  // The hash lives inside the provider's object memory: it goes first.
  if (hash)
    destroy_hash(hash);
  if (algorithm)
    close_algorithm_provider(algorithm, 0);
  hash_object.reset();
  base::UnloadNativeLibrary(library);
  return result;
}

bool HashFileWithFallback(FILE* file, uint8_t digest[kSha1DigestLength]) {
  if (!InitializeGcrypt())
    return false;
  clearerr(file);
  if (fseek(file, 0, SEEK_SET) != 0)
    return false;
  gcry_md_hd_t hash;
  if (gcry_md_open(&hash, GCRY_MD_SHA1, 0) != 0)
    return false;
  uint8_t buffer[kReadBlockSize];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
    gcry_md_write(hash, buffer, read);
  bool result = false;
  if (!ferror(file)) {
    const unsigned char* value = gcry_md_read(hash, GCRY_MD_SHA1);
    if (value) {
      std::memcpy(digest, value, kSha1DigestLength);
      result = true;
    }
  }
  gcry_md_close(hash);
  return result;
}

}  // namespace notification_files_internal

bool HashFileWithPlatform(FILE* file, uint8_t digest[kSha1DigestLength]) {
  return notification_files_internal::HashFileWithPlatformLibrary(L"bcrypt",
                                                                  file, digest);
}

bool HashFile(const base::FilePath& path, uint8_t digest[kSha1DigestLength]) {
  // The wide path, so that folders with names outside the ANSI code page
  // open too.
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file)
    return false;
  if (g_platform_hash_enabled) {
    if (g_platform_hash(file, digest)) {
      fclose(file);
      return true;
    }
    // Once failed, the platform hash is not tried for any later file.
    g_platform_hash_enabled = false;
  }
  bool result = notification_files_internal::HashFileWithFallback(file, digest);
  fclose(file);
  return result;
}

bool HasEmbeddedCertificate(const base::FilePath& path, bool* has_certificate) {
  base::MemoryMappedFile image;
  if (!image.Initialize(path))
    return false;
  const uint8_t* data = image.data();
  const size_t length = image.length();
  if (length < kDosHeaderSize || data[0] != 'M' || data[1] != 'Z')
    return false;
  // 64-bit arithmetic: an offset near 4 GB must not wrap around.
  const uint64_t nt_headers = ReadUint32(data + kNtHeadersOffsetField);
  if (nt_headers + kNtHeadersNeeded > length)
    return false;
  const uint8_t* signature = data + nt_headers;
  if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 ||
      signature[3] != 0) {
    return false;
  }
  *has_certificate = ReadUint32(signature + kCertificateTableSizeField) != 0;
  return true;
}

bool VerifyNotificationFiles() {
  if (base::CommandLine::InitializedForCurrentProcess() &&
      base::CommandLine::ForCurrentProcess()->HasSwitch(
          kDisableFileVerificationSwitch)) {
    base::FilePath program;
    if (!base::PathService::Get(base::FILE_EXE, &program))
      return false;
    // Only an unsigned build may skip the check: a released, signed program
    // always checks what it shows.
    bool has_certificate = false;
    if (HasEmbeddedCertificate(program, &has_certificate) && !has_certificate)
      return true;
  }

  base::FilePath content_folder;
  if (!base::PathService::Get(tavrin::DIR_NOTIFICATIONS, &content_folder))
    return false;

  for (size_t i = 0; i < kNotificationFileDigestCount; ++i) {
    const NotificationFileDigest& entry = kNotificationFileDigests[i];
    std::string table_path;
    if (!base::Base64Decode(entry.path_base64, &table_path) ||
        table_path.compare(0, kTablePathPrefix.size(), kTablePathPrefix) != 0) {
      return false;
    }
    const base::FilePath file =
        content_folder /
        base::ASCIIToWide(table_path.substr(kTablePathPrefix.size()));
    uint8_t digest[kSha1DigestLength];
    if (!HashFile(file, digest))
      return false;
    const std::string digest_base64 = base::Base64Encode(std::string_view(
        reinterpret_cast<const char*>(digest), sizeof(digest)));
    if (digest_base64 != entry.sha1_base64)
      return false;
  }
  return true;
}
