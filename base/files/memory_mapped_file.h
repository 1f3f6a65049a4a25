#ifndef BASE_FILES_MEMORY_MAPPED_FILE_H_
#define BASE_FILES_MEMORY_MAPPED_FILE_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/files/file_path.h"

namespace base {

// A whole file mapped read-only into memory. Other processes may go on
// reading and writing the file while it is mapped.
class MemoryMappedFile {
 public:
  MemoryMappedFile();
  MemoryMappedFile(const MemoryMappedFile&) = delete;
  MemoryMappedFile& operator=(const MemoryMappedFile&) = delete;
  // Unmaps the view and closes the handles.
  ~MemoryMappedFile();

  // Opens and maps |file_name|. False when the file cannot be opened or
  // mapped, or when this object maps a file already. An empty file maps to
  // a valid object of length 0 with no data.
  bool Initialize(const FilePath& file_name);

  const uint8_t* data() const { return data_; }
  size_t length() const { return length_; }
  bool IsValid() const { return valid_; }

 private:
  void CloseHandles();

  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  const uint8_t* data_ = nullptr;
  size_t length_ = 0;
  bool valid_ = false;
};

}  // namespace base

#endif  // BASE_FILES_MEMORY_MAPPED_FILE_H_
