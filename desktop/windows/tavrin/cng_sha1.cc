#include "desktop/windows/tavrin/cng_sha1.h"

#include "base/files/file_path.h"

namespace {

constexpr size_t kReadBlockSize = 64 * 1024;

bool Succeeded(NTSTATUS status) {
  return status >= 0;
}

template <typename Function>
bool LookUp(base::NativeLibrary library, const char* name, Function* out) {
  *out = reinterpret_cast<Function>(
      base::GetFunctionPointerFromNativeLibrary(library, name));
  return *out != nullptr;
}

}  // namespace

// static
std::unique_ptr<CngSha1> CngSha1::Open(const wchar_t* library_name) {
  base::NativeLibrary library =
      base::LoadNativeLibrary(base::FilePath(library_name), nullptr);
  if (!library)
    return nullptr;
  std::unique_ptr<CngSha1> sha1(new CngSha1(library));
  if (!sha1->Initialize())
    return nullptr;
  return sha1;
}

CngSha1::CngSha1(base::NativeLibrary library) : library_(library) {}

CngSha1::~CngSha1() {
  if (algorithm_)
    close_algorithm_provider_(algorithm_, 0);
  base::UnloadNativeLibrary(library_);
}

bool CngSha1::Initialize() {
  if (!LookUp(library_, "BCryptOpenAlgorithmProvider",
              &open_algorithm_provider_) ||
      !LookUp(library_, "BCryptCloseAlgorithmProvider",
              &close_algorithm_provider_) ||
      !LookUp(library_, "BCryptGetProperty", &get_property_) ||
      !LookUp(library_, "BCryptCreateHash", &create_hash_) ||
      !LookUp(library_, "BCryptDestroyHash", &destroy_hash_) ||
      !LookUp(library_, "BCryptHashData", &hash_data_) ||
      !LookUp(library_, "BCryptFinishHash", &finish_hash_)) {
    return false;
  }
  if (!Succeeded(open_algorithm_provider_(&algorithm_, BCRYPT_SHA1_ALGORITHM,
                                          nullptr, 0))) {
    algorithm_ = nullptr;
    return false;
  }
  ULONG written = 0;
  return Succeeded(get_property_(algorithm_, BCRYPT_OBJECT_LENGTH,
                                 reinterpret_cast<PUCHAR>(&hash_object_length_),
                                 sizeof(hash_object_length_), &written, 0));
}

bool CngSha1::HashFile(FILE* file, uint8_t digest[kSha1DigestLength]) {
  auto hash_object = std::make_unique<uint8_t[]>(hash_object_length_);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!Succeeded(create_hash_(algorithm_, &hash, hash_object.get(),
                              hash_object_length_, nullptr, 0, 0))) {
    return false;
  }
  uint8_t buffer[kReadBlockSize];
  bool hashed_all = true;
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0) {
    if (!Succeeded(hash_data_(hash, buffer, static_cast<ULONG>(read), 0))) {
      hashed_all = false;
      break;
    }
  }
  // A read error also ends the loop; a digest of part of the file must not
  // pass for the digest of the file.
  const bool result =
      hashed_all && !ferror(file) &&
      Succeeded(finish_hash_(hash, digest, kSha1DigestLength, 0));
  // The hash lives inside |hash_object|: it goes first.
  destroy_hash_(hash);
  return result;
}
