#include "components/prefs/pref_service.h"

#include <utility>

#include "components/prefs/json_pref_store.h"
#include "components/prefs/pref_registry_simple.h"

PrefService::PrefService(std::shared_ptr<JsonPrefStore> user_prefs,
                         std::shared_ptr<PrefRegistrySimple> registry)
    : user_prefs_(std::move(user_prefs)), registry_(std::move(registry)) {}

PrefService::~PrefService() = default;

const base::Value* PrefService::Find(std::string_view path) const {
  return user_prefs_ ? user_prefs_->GetValue(path) : nullptr;
}

std::string PrefService::GetString(std::string_view path) const {
  std::string result;
  if (!base::GetAsString(Find(path), &result) && registry_)
    base::GetStringAt(registry_->defaults(), path, &result);
  return result;
}

int PrefService::GetInteger(std::string_view path) const {
  int result = 0;
  if (!base::GetAsInteger(Find(path), &result) && registry_)
    base::GetIntegerAt(registry_->defaults(), path, &result);
  return result;
}

double PrefService::GetDouble(std::string_view path) const {
  double result = 0.0;
  if (!base::GetAsDouble(Find(path), &result) && registry_)
    base::GetDoubleAt(registry_->defaults(), path, &result);
  return result;
}

bool PrefService::GetBoolean(std::string_view path) const {
  bool result = false;
  if (!base::GetAsBoolean(Find(path), &result) && registry_)
    base::GetBooleanAt(registry_->defaults(), path, &result);
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
