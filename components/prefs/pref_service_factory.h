#ifndef COMPONENTS_PREFS_PREF_SERVICE_FACTORY_H_
#define COMPONENTS_PREFS_PREF_SERVICE_FACTORY_H_

#include <memory>

#include "base/files/file_path.h"
#include "base/task_runner.h"

class JsonPrefStore;
class PrefRegistrySimple;
class PrefService;

// Builds a PrefService on a JSON file, reading it at once.
class PrefServiceFactory {
 public:
  PrefServiceFactory();
  ~PrefServiceFactory();

  void SetUserPrefsFile(const base::FilePath& prefs_file,
                        std::shared_ptr<base::SequencedTaskRunner> task_runner);
  std::unique_ptr<PrefService> Create(
      std::shared_ptr<PrefRegistrySimple> registry);

 private:
  std::shared_ptr<JsonPrefStore> user_prefs_;
};

#endif  // COMPONENTS_PREFS_PREF_SERVICE_FACTORY_H_
