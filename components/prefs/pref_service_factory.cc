#include "components/prefs/pref_service_factory.h"

#include <utility>

#include "base/logging.h"
#include "components/prefs/json_pref_store.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"

PrefServiceFactory::PrefServiceFactory() = default;

PrefServiceFactory::~PrefServiceFactory() = default;

void PrefServiceFactory::SetUserPrefsFile(
    const base::FilePath& prefs_file,
    std::shared_ptr<base::SequencedTaskRunner> task_runner) {
  user_prefs_ =
      std::make_shared<JsonPrefStore>(prefs_file, std::move(task_runner));
}

std::unique_ptr<PrefService> PrefServiceFactory::Create(
    std::shared_ptr<PrefRegistrySimple> registry) {
  if (!user_prefs_) {
    // No file: the defaults alone, kept in memory and never written.
    LOG(WARNING) << "PrefService created without a user prefs file";
    user_prefs_ = std::make_shared<JsonPrefStore>(base::FilePath(), nullptr);
  }
  user_prefs_->ReadPrefs();
  return std::make_unique<PrefService>(user_prefs_, std::move(registry));
}
