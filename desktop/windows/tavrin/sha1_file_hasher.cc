#include "desktop/windows/tavrin/sha1_file_hasher.h"

#include <cstdio>

#include "desktop/windows/tavrin/fallback_sha1.h"

namespace {

constexpr wchar_t kPlatformLibrary[] = L"bcrypt";

// Cleared the first time the platform hash fails; never set again.
bool g_platform_hash_enabled = true;
const wchar_t* g_platform_library = kPlatformLibrary;

}  // namespace

Sha1FileHasher::Sha1FileHasher() = default;

Sha1FileHasher::~Sha1FileHasher() = default;

bool Sha1FileHasher::HashFile(const base::FilePath& path,
                              uint8_t digest[kSha1DigestLength]) {
  // The wide path, so that folders with names outside the ANSI code page
  // open too.
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file)
    return false;
  if (g_platform_hash_enabled) {
    if (HashFileWithPlatform(file, digest)) {
      fclose(file);
      return true;
    }
    g_platform_hash_enabled = false;
  }
  const bool result = HashFileWithFallback(file, digest);
  fclose(file);
  return result;
}

bool Sha1FileHasher::HashFileWithPlatform(FILE* file,
                                          uint8_t digest[kSha1DigestLength]) {
  if (!platform_)
    platform_ = CngSha1::Open(g_platform_library);
  return platform_ && platform_->HashFile(file, digest);
}

// static
void Sha1FileHasher::SetPlatformLibraryForTesting(const wchar_t* library_name) {
  g_platform_library = library_name ? library_name : kPlatformLibrary;
}

// static
void Sha1FileHasher::ResetPlatformHashForTesting() {
  g_platform_hash_enabled = true;
}
