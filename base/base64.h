#ifndef BASE_BASE64_H_
#define BASE_BASE64_H_

#include <string>
#include <string_view>

namespace base {

std::string Base64Encode(std::string_view input);
// False on any character outside the alphabet or on bad padding.
bool Base64Decode(std::string_view input, std::string* output);

}  // namespace base

#endif  // BASE_BASE64_H_
