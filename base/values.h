#ifndef BASE_VALUES_H_
#define BASE_VALUES_H_

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace base {

// JSON values. Dictionaries are addressed by dotted paths: each '.' in a path
// opens a nested dictionary ("a.b" is key "b" inside dictionary "a").
using Value = nlohmann::json;

// The value at |path|, or null when a step is missing or not a dictionary.
const Value* FindPath(const Value& root, std::string_view path);
Value* FindPath(Value& root, std::string_view path);

// Stores |value| at |path|, creating dictionaries on the way and replacing
// anything in the way that is not one. |root| becomes a dictionary if it is
// not.
void SetPath(Value& root, std::string_view path, Value value);
// True when something was removed.
bool RemovePath(Value& root, std::string_view path);

// Typed reads: true and |out| set only when the value exists with that type.
// An integer reads as a double too; a double never as an integer, nor does a
// whole number beyond the range of int. The GetAs forms read a value already
// found (null reads as missing), the At forms the value at a path.
bool GetAsString(const Value* value, std::string* out);
bool GetAsInteger(const Value* value, int* out);
bool GetAsDouble(const Value* value, double* out);
bool GetAsBoolean(const Value* value, bool* out);
bool GetStringAt(const Value& root, std::string_view path, std::string* out);
bool GetIntegerAt(const Value& root, std::string_view path, int* out);
bool GetDoubleAt(const Value& root, std::string_view path, double* out);
bool GetBooleanAt(const Value& root, std::string_view path, bool* out);
// The dictionary at |path|, or null.
const Value* GetDictionaryAt(const Value& root, std::string_view path);

}  // namespace base

#endif  // BASE_VALUES_H_
