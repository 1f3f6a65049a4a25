#ifndef BASE_JSON_JSON_READER_H_
#define BASE_JSON_JSON_READER_H_

#include <optional>
#include <string>
#include <string_view>

#include "base/values.h"

namespace base {

class JSONReader {
 public:
  // The parsed value, or nothing for text that is not one JSON value.
  static std::optional<Value> Read(std::string_view json);
  static std::optional<Value> ReadAndReturnError(std::string_view json,
                                                 std::string* error_message);
};

class JSONWriter {
 public:
  static bool Write(const Value& value, std::string* json);
  static bool WritePretty(const Value& value, std::string* json);
};

}  // namespace base

#endif  // BASE_JSON_JSON_READER_H_
