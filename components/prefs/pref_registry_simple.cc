#include "components/prefs/pref_registry_simple.h"

#include <utility>

PrefRegistrySimple::PrefRegistrySimple() : defaults_(base::Value::object()) {}

PrefRegistrySimple::~PrefRegistrySimple() = default;

void PrefRegistrySimple::RegisterStringPref(const std::string& path,
                                            const std::string& value) {
  base::SetPath(defaults_, path, base::Value(value));
}

void PrefRegistrySimple::RegisterIntegerPref(const std::string& path,
                                             int value) {
  base::SetPath(defaults_, path, base::Value(value));
}

void PrefRegistrySimple::RegisterDoublePref(const std::string& path,
                                            double value) {
  base::SetPath(defaults_, path, base::Value(value));
}

void PrefRegistrySimple::RegisterBooleanPref(const std::string& path,
                                             bool value) {
  base::SetPath(defaults_, path, base::Value(value));
}

void PrefRegistrySimple::RegisterDictionaryPref(const std::string& path) {
  base::SetPath(defaults_, path, base::Value::object());
}

void PrefRegistrySimple::RegisterDictionaryPref(const std::string& path,
                                                base::Value value) {
  base::SetPath(defaults_, path, std::move(value));
}
