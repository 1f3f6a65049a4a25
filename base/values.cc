#include "base/values.h"

#include <limits>

namespace base {

namespace {

// Splits "a.b.c" into its first key and the rest; false at the last key.
bool SplitFirst(std::string_view path,
                std::string_view* key,
                std::string_view* rest) {
  const size_t dot = path.find('.');
  if (dot == std::string_view::npos) {
    *key = path;
    return false;
  }
  *key = path.substr(0, dot);
  *rest = path.substr(dot + 1);
  return true;
}

template <typename JsonPtr>
JsonPtr FindPathT(JsonPtr root, std::string_view path) {
  JsonPtr current = root;
  while (true) {
    std::string_view key;
    std::string_view rest;
    const bool more = SplitFirst(path, &key, &rest);
    if (!current->is_object())
      return nullptr;
    const auto it = current->find(key);
    if (it == current->end())
      return nullptr;
    current = &*it;
    if (!more)
      return current;
    path = rest;
  }
}

}  // namespace

const Value* FindPath(const Value& root, std::string_view path) {
  return FindPathT(&root, path);
}

Value* FindPath(Value& root, std::string_view path) {
  return FindPathT(&root, path);
}

void SetPath(Value& root, std::string_view path, Value value) {
  Value* current = &root;
  while (true) {
    if (!current->is_object())
      *current = Value::object();
    std::string_view key;
    std::string_view rest;
    const bool more = SplitFirst(path, &key, &rest);
    Value& child = (*current)[std::string(key)];
    if (!more) {
      child = std::move(value);
      return;
    }
    current = &child;
    path = rest;
  }
}

bool RemovePath(Value& root, std::string_view path) {
  const size_t dot = path.rfind('.');
  Value* parent = &root;
  std::string_view key = path;
  if (dot != std::string_view::npos) {
    parent = FindPath(root, path.substr(0, dot));
    key = path.substr(dot + 1);
  }
  if (!parent || !parent->is_object())
    return false;
  return parent->erase(std::string(key)) != 0;
}

bool GetAsString(const Value* value, std::string* out) {
  if (!value || !value->is_string())
    return false;
  *out = value->get<std::string>();
  return true;
}

bool GetAsInteger(const Value* value, int* out) {
  if (!value || !value->is_number_integer())
    return false;
  // Whole numbers outside int come from files written elsewhere; they are
  // not integers of ours, rather than wrapped around.
  if (value->is_number_unsigned()) {
    const auto number = value->get<uint64_t>();
    if (number > static_cast<uint64_t>(std::numeric_limits<int>::max()))
      return false;
    *out = static_cast<int>(number);
    return true;
  }
  const auto number = value->get<int64_t>();
  if (number < std::numeric_limits<int>::min() ||
      number > std::numeric_limits<int>::max()) {
    return false;
  }
  *out = static_cast<int>(number);
  return true;
}

bool GetAsDouble(const Value* value, double* out) {
  if (!value || !value->is_number())
    return false;
  *out = value->get<double>();
  return true;
}

bool GetAsBoolean(const Value* value, bool* out) {
  if (!value || !value->is_boolean())
    return false;
  *out = value->get<bool>();
  return true;
}

bool GetStringAt(const Value& root, std::string_view path, std::string* out) {
  return GetAsString(FindPath(root, path), out);
}

bool GetIntegerAt(const Value& root, std::string_view path, int* out) {
  return GetAsInteger(FindPath(root, path), out);
}

bool GetDoubleAt(const Value& root, std::string_view path, double* out) {
  return GetAsDouble(FindPath(root, path), out);
}

bool GetBooleanAt(const Value& root, std::string_view path, bool* out) {
  return GetAsBoolean(FindPath(root, path), out);
}

const Value* GetDictionaryAt(const Value& root, std::string_view path) {
  const Value* value = FindPath(root, path);
  return value && value->is_object() ? value : nullptr;
}

}  // namespace base
