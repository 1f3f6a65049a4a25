#ifndef BASE_GUID_H_
#define BASE_GUID_H_

#include <string>

namespace base {

// A random (version 4) GUID in its 36-character text form, lower case.
std::string GenerateGUID();
bool IsValidGUID(const std::string& guid);

}  // namespace base

#endif  // BASE_GUID_H_
