#include "desktop/windows/tavrin/fallback_sha1.h"

#include <openssl/sha.h>

namespace {

constexpr size_t kReadBlockSize = 64 * 1024;
static_assert(SHA_DIGEST_LENGTH == 20, "callers pass 20-byte buffers");

}  // namespace

bool HashFileWithFallback(FILE* file, uint8_t* digest) {
  clearerr(file);
  if (fseek(file, 0, SEEK_SET) != 0)
    return false;
  SHA_CTX context;
  SHA1_Init(&context);
  uint8_t buffer[kReadBlockSize];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
    SHA1_Update(&context, buffer, read);
  if (ferror(file))
    return false;
  SHA1_Final(digest, &context);
  return true;
}
