#include "components/prefs/pref_service.h"

#include <limits>
#include <utility>

#include "components/prefs/json_pref_store.h"
#include "components/prefs/pref_registry_simple.h"

namespace {

// Typed reads of one value; false when it is missing or of another type.
bool AsString(const base::Value* value, std::string* out) {
  if (!value || !value->is_string())
    return false;
  *out = value->get<std::string>();
  return true;
}

bool AsInteger(const base::Value* value, int* out) {
  if (!value || !value->is_number_integer())
    return false;
  // A whole number beyond int is not one of ours; it is not wrapped.
  if (value->is_number_unsigned()) {
    uint64_t number = value->get<uint64_t>();
    if (number > static_cast<uint64_t>(std::numeric_limits<int>::max()))
      return false;
    *out = static_cast<int>(number);
    return true;
  }
  int64_t number = value->get<int64_t>();
  if (number < std::numeric_limits<int>::min() ||
      number > std::numeric_limits<int>::max()) {
    return false;
  }
  *out = static_cast<int>(number);
  return true;
}

bool AsDouble(const base::Value* value, double* out) {
  // JSON writes 2.0 as 2 in some hands; an integer is a valid double.
  if (!value || !value->is_number())
    return false;
  *out = value->get<double>();
  return true;
}

bool AsBoolean(const base::Value* value, bool* out) {
  if (!value || !value->is_boolean())
    return false;
  *out = value->get<bool>();
  return true;
}

}  // namespace

PrefService::PrefService(std::shared_ptr<JsonPrefStore> user_prefs,
                         std::shared_ptr<PrefRegistrySimple> registry)
    : user_prefs_(std::move(user_prefs)), registry_(std::move(registry)) {}

PrefService::~PrefService() = default;

const base::Value* PrefService::Find(std::string_view path) const {
  return user_prefs_ ? user_prefs_->GetValue(path) : nullptr;
}

std::string PrefService::GetString(std::string_view path) const {
  std::string result;
  if (!AsString(Find(path), &result) && registry_)
    AsString(base::FindPath(registry_->defaults(), path), &result);
  return result;
}

int PrefService::GetInteger(std::string_view path) const {
  int result = 0;
  if (!AsInteger(Find(path), &result) && registry_)
    AsInteger(base::FindPath(registry_->defaults(), path), &result);
  return result;
}

double PrefService::GetDouble(std::string_view path) const {
  double result = 0.0;
  if (!AsDouble(Find(path), &result) && registry_)
    AsDouble(base::FindPath(registry_->defaults(), path), &result);
  return result;
}

bool PrefService::GetBoolean(std::string_view path) const {
  bool result = false;
  if (!AsBoolean(Find(path), &result) && registry_)
    AsBoolean(base::FindPath(registry_->defaults(), path), &result);
  return result;
}

base::Value PrefService::GetDictionary(std::string_view path) const {
  const base::Value* value = Find(path);
  if (value && value->is_object())
    return *value;
  if (registry_) {
    value = base::GetDictionaryAt(registry_->defaults(), path);
    if (value)
      return *value;
  }
  return base::Value::object();
}

void PrefService::SetString(std::string_view path, const std::string& value) {
  Set(path, base::Value(value));
}

void PrefService::SetInteger(std::string_view path, int value) {
  Set(path, base::Value(value));
}

void PrefService::SetDouble(std::string_view path, double value) {
  Set(path, base::Value(value));
}

void PrefService::SetBoolean(std::string_view path, bool value) {
  Set(path, base::Value(value));
}

void PrefService::Set(std::string_view path, base::Value value) {
  if (user_prefs_)
    user_prefs_->SetValue(path, std::move(value));
}

void PrefService::ClearPref(std::string_view path) {
  if (user_prefs_)
    user_prefs_->RemoveValue(path);
}

void PrefService::CommitPendingWrite() {
  if (user_prefs_)
    user_prefs_->CommitPendingWrite();
}
