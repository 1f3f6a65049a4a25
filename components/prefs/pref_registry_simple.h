#ifndef COMPONENTS_PREFS_PREF_REGISTRY_SIMPLE_H_
#define COMPONENTS_PREFS_PREF_REGISTRY_SIMPLE_H_

#include <string>

#include "base/values.h"

// The default value of every known pref, by dotted path.
class PrefRegistrySimple {
 public:
  PrefRegistrySimple();
  PrefRegistrySimple(const PrefRegistrySimple&) = delete;
  PrefRegistrySimple& operator=(const PrefRegistrySimple&) = delete;
  ~PrefRegistrySimple();

  void RegisterStringPref(const std::string& path, const std::string& value);
  void RegisterIntegerPref(const std::string& path, int value);
  void RegisterDoublePref(const std::string& path, double value);
  void RegisterBooleanPref(const std::string& path, bool value);
  void RegisterDictionaryPref(const std::string& path);
  void RegisterDictionaryPref(const std::string& path, base::Value value);

  // A dictionary of defaults, nested by path.
  const base::Value& defaults() const { return defaults_; }

 private:
  base::Value defaults_;
};

#endif  // COMPONENTS_PREFS_PREF_REGISTRY_SIMPLE_H_
