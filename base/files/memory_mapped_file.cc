#include "base/files/memory_mapped_file.h"

namespace base {

MemoryMappedFile::MemoryMappedFile() = default;

MemoryMappedFile::~MemoryMappedFile() {
  CloseHandles();
}

bool MemoryMappedFile::Initialize(const FilePath& file_name) {
  if (IsValid() || file_ != INVALID_HANDLE_VALUE)
    return false;

  file_ = ::CreateFileW(file_name.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE)
    return false;

  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file_, &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) {
    CloseHandles();
    return false;
  }
  length_ = static_cast<size_t>(size.QuadPart);
  if (length_ == 0) {
    // The system refuses to map an empty file; an empty view is still a
    // faithful picture of it.
    valid_ = true;
    return true;
  }

  mapping_ = ::CreateFileMappingW(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping_) {
    CloseHandles();
    return false;
  }
  data_ = static_cast<const uint8_t*>(
      ::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, length_));
  if (!data_) {
    CloseHandles();
    return false;
  }
  valid_ = true;
  return true;
}

void MemoryMappedFile::CloseHandles() {
  if (data_)
    ::UnmapViewOfFile(data_);
  if (mapping_)
    ::CloseHandle(mapping_);
  if (file_ != INVALID_HANDLE_VALUE)
    ::CloseHandle(file_);
  data_ = nullptr;
  mapping_ = nullptr;
  file_ = INVALID_HANDLE_VALUE;
  length_ = 0;
  valid_ = false;
}

}  // namespace base
