#ifndef COMPONENTS_PREFS_JSON_PREF_STORE_H_
#define COMPONENTS_PREFS_JSON_PREF_STORE_H_

#include <memory>
#include <string_view>

#include "base/files/file_path.h"
#include "base/task_runner.h"
#include "base/values.h"

namespace base {
class SequencedWorkerPool;
}

// Prefs kept in a JSON file. Reads happen synchronously on the caller's
// thread; writes are batched and posted to the file task runner, which writes
// the whole file atomically. A runner that refuses tasks means nothing is
// ever written.
class JsonPrefStore {
 public:
  enum PrefReadError {
    PREF_READ_ERROR_NONE = 0,
    PREF_READ_ERROR_JSON_PARSE,
    PREF_READ_ERROR_JSON_TYPE,
    PREF_READ_ERROR_NO_FILE,
    PREF_READ_ERROR_ACCESS_DENIED,
  };

  JsonPrefStore(const base::FilePath& path,
                std::shared_ptr<base::SequencedTaskRunner> file_task_runner);
  // The runner that serialises the file work on |pref_file|: a sequence of
  // |worker_pool|.
  static std::shared_ptr<base::SequencedTaskRunner> GetTaskRunnerForFile(
      const base::FilePath& pref_file,
      base::SequencedWorkerPool* worker_pool);

  JsonPrefStore(const JsonPrefStore&) = delete;
  JsonPrefStore& operator=(const JsonPrefStore&) = delete;
  // Commits a pending write.
  ~JsonPrefStore();

  // Reads the file now. A file that is not valid JSON, or one too large to
  // be a prefs file, is moved aside to the same name with the extension
  // "bad" and the store starts empty; valid JSON that is not a dictionary is
  // read as empty and left in place. A store whose runner refuses work moves
  // no file it did not read, and a file that could not be read or moved
  // aside is never written over by this store.
  PrefReadError ReadPrefs();
  bool IsInitializationComplete() const;
  PrefReadError GetReadError() const;

  // The value at a dotted path, or null.
  const base::Value* GetValue(std::string_view path) const;
  void SetValue(std::string_view path, base::Value value);
  void RemoveValue(std::string_view path);

  // Hands the current contents to the file task runner now, if they changed.
  void CommitPendingWrite();
  const base::FilePath& path() const;

  class State;

 private:
  std::shared_ptr<State> state_;
};

#endif  // COMPONENTS_PREFS_JSON_PREF_STORE_H_
