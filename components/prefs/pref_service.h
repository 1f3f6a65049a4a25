#ifndef COMPONENTS_PREFS_PREF_SERVICE_H_
#define COMPONENTS_PREFS_PREF_SERVICE_H_

#include <memory>
#include <string>
#include <string_view>

#include "base/values.h"

class JsonPrefStore;
class PrefRegistrySimple;

// Typed access to prefs by dotted path. A value in the user's store wins; a
// missing or mistyped one falls back to the registered default, and then to
// "", 0, 0.0 or false.
class PrefService {
 public:
  PrefService(std::shared_ptr<JsonPrefStore> user_prefs,
              std::shared_ptr<PrefRegistrySimple> registry);
  PrefService(const PrefService&) = delete;
  PrefService& operator=(const PrefService&) = delete;
  ~PrefService();

  std::string GetString(std::string_view path) const;
  int GetInteger(std::string_view path) const;
  double GetDouble(std::string_view path) const;
  bool GetBoolean(std::string_view path) const;
  // The dictionary at |path| (user value, else default); an empty dictionary
  // when there is neither.
  base::Value GetDictionary(std::string_view path) const;

  void SetString(std::string_view path, const std::string& value);
  void SetInteger(std::string_view path, int value);
  void SetDouble(std::string_view path, double value);
  void SetBoolean(std::string_view path, bool value);
  // Replaces the whole value at |path| (a dictionary, usually).
  void Set(std::string_view path, base::Value value);
  void ClearPref(std::string_view path);

  void CommitPendingWrite();

 private:
  const base::Value* Find(std::string_view path) const;

  std::shared_ptr<JsonPrefStore> user_prefs_;
  std::shared_ptr<PrefRegistrySimple> registry_;
};

#endif  // COMPONENTS_PREFS_PREF_SERVICE_H_
