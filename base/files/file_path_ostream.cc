#include <ostream>

#include "base/files/file_path.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

std::ostream& operator<<(std::ostream& out, const FilePath& path) {
  return out << WideToUTF8(path.native());
}

}  // namespace base
