#include "desktop/windows/tavrin/notification_files_verifier.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/base64.h"
#include "base/command_line.h"
#include "base/files/memory_mapped_file.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/tavrin/notification_files_table.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/sha1_file_hasher.h"

namespace {

constexpr char kDisableFileVerificationSwitch[] = "disable-file-verification";
constexpr std::string_view kTablePathPrefix = "notifications/";

// Offsets into a program image.
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kNtHeadersOffsetField = 60;
// From the "PE\0\0" signature: the optional header's magic, and the end of
// the Size field of the certificate table, the fifth data directory, whose
// place depends on the kind of optional header.
constexpr size_t kOptionalHeaderMagicField = 24;
constexpr uint16_t kPe32Magic = 0x10b;
constexpr uint16_t kPe32PlusMagic = 0x20b;
constexpr size_t kPe32CertificateTableSizeField = 156;
constexpr size_t kPe32PlusCertificateTableSizeField = 172;

uint16_t ReadUint16(const uint8_t* bytes) {
  uint16_t value;
  std::memcpy(&value, bytes, sizeof(value));  // Images are little-endian.
  return value;
}

uint32_t ReadUint32(const uint8_t* bytes) {
  uint32_t value;
  std::memcpy(&value, bytes, sizeof(value));  // Images are little-endian.
  return value;
}

}  // namespace

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
  if (nt_headers + kOptionalHeaderMagicField + 2 > length)
    return false;
  const uint8_t* signature = data + nt_headers;
  if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 ||
      signature[3] != 0) {
    return false;
  }
  size_t size_field = 0;
  switch (ReadUint16(signature + kOptionalHeaderMagicField)) {
    case kPe32Magic:
      size_field = kPe32CertificateTableSizeField;
      break;
    case kPe32PlusMagic:
      size_field = kPe32PlusCertificateTableSizeField;
      break;
    default:
      return false;
  }
  if (nt_headers + size_field + 4 > length)
    return false;
  *has_certificate = ReadUint32(signature + size_field) != 0;
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

  // One hasher for the whole check: CNG is loaded once, not per file.
  Sha1FileHasher hasher;
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
    if (!hasher.HashFile(file, digest))
      return false;
    const std::string digest_base64 = base::Base64Encode(std::string_view(
        reinterpret_cast<const char*>(digest), sizeof(digest)));
    if (digest_base64 != entry.sha1_base64)
      return false;
  }
  return true;
}
