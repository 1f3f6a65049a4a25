#include "desktop/windows/tavrin/installer/installer_pref_store.h"

#include <mutex>

#include "base/at_exit.h"
#include "base/threading/sequenced_worker_pool.h"

namespace installer {

namespace {

// One file, written once per run: a single worker is enough.
constexpr size_t kPrefsPoolThreads = 1;

std::mutex& PoolLock() {
  static std::mutex lock;
  return lock;
}

// Lives from the first store opened until the at-exit manager runs, which
// shuts the pool down: that lets a pending pref write finish.
base::SequencedWorkerPool*& PoolInstance() {
  static base::SequencedWorkerPool* pool = nullptr;
  return pool;
}

void ShutdownPool() {
  base::SequencedWorkerPool* pool = nullptr;
  {
    std::lock_guard<std::mutex> guard(PoolLock());
    pool = PoolInstance();
    PoolInstance() = nullptr;
  }
  if (!pool)
    return;
  pool->Shutdown();
  delete pool;
}

// A racing second caller waits on the lock and gets the first one's pool.
base::SequencedWorkerPool* GetPrefsTaskPool() {
  std::lock_guard<std::mutex> guard(PoolLock());
  if (!PoolInstance()) {
    PoolInstance() =
        new base::SequencedWorkerPool(kPrefsPoolThreads, "PrefsTaskPool");
    base::AtExitManager::RegisterCallback(&ShutdownPool);
  }
  return PoolInstance();
}

}  // namespace

std::unique_ptr<JsonPrefStore> OpenInstallerPrefStore(
    const base::FilePath& path) {
  auto store = std::make_unique<JsonPrefStore>(
      path, JsonPrefStore::GetTaskRunnerForFile(path, GetPrefsTaskPool()));
  store->ReadPrefs();
  return store;
}

}  // namespace installer
