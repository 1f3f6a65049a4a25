#include "components/prefs/json_pref_store.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/threading/sequenced_worker_pool.h"

namespace {

// Stricter than ==, which holds 1 and 1.0 equal: an integer read fails on a
// double, so replacing one by the other is a real change and must be kept.
bool SameValue(const base::Value& a, const base::Value& b) {
  if (a.is_number() && b.is_number())
    return a.is_number_float() == b.is_number_float() && a == b;
  if (a.type() != b.type())
    return false;
  if (a.is_object()) {
    if (a.size() != b.size())
      return false;
    for (auto it = a.begin(); it != a.end(); ++it) {
      auto other = b.find(it.key());
      if (other == b.end() || !SameValue(it.value(), *other))
        return false;
    }
    return true;
  }
  if (a.is_array()) {
    if (a.size() != b.size())
      return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (!SameValue(a[i], b[i]))
        return false;
    }
    return true;
  }
  return a == b;
}

// Far above any real prefs file: the notifier's holds a few settings, the
// hint state and a launcher log pruned to 30 days, well under a megabyte,
// and the browser's installer_prefs.json a few kilobytes. Parsed JSON takes
// several times its text in memory, so a bound this size still leaves a
// 32-bit process room to read it.
constexpr int64_t kMaxFileSize = 16 * 1024 * 1024;

}  // namespace

// Everything the write task needs. The task holds it by shared_ptr, so a
// store destroyed while its write is queued still has that write done.
class JsonPrefStore::State : public std::enable_shared_from_this<State> {
 public:
  State(const base::FilePath& path,
        std::shared_ptr<base::SequencedTaskRunner> runner)
      : path_(path), runner_(std::move(runner)) {}

  PrefReadError Read();
  bool initialized() const { return initialized_; }
  PrefReadError read_error() const { return read_error_; }
  const base::FilePath& path() const { return path_; }

  // Only the owning thread changes |prefs_|, so its own reads need no lock.
  const base::Value* Get(std::string_view key) const {
    return base::FindPath(prefs_, key);
  }
  void Set(std::string_view key, base::Value value);
  void Remove(std::string_view key);

  // Posts one write task unless one is queued already or nothing changed.
  void ScheduleWrite();

 private:
  // Carried by the posted write. A runner that refuses the task, or drops
  // it unrun (a loop destroyed with tasks queued), destroys the ticket
  // unused; the store then knows no write is pending any more.
  class WriteTicket {
   public:
    explicit WriteTicket(std::shared_ptr<State> state)
        : state_(std::move(state)) {}
    ~WriteTicket() {
      if (!ran_)
        state_->OnWriteDropped();
    }
    void Run() {
      ran_ = true;
      state_->WriteNow();
    }

   private:
    std::shared_ptr<State> state_;
    bool ran_ = false;
  };

  void WriteNow();
  void OnWriteDropped();
  // Whether the file runner takes work at all.
  bool MayWrite();
  // Renames the file to the extension "bad"; false when it stays.
  bool MoveAside();

  const base::FilePath path_;
  const std::shared_ptr<base::SequencedTaskRunner> runner_;

  // Guards the members below against the write task, which may run on a
  // worker thread.
  std::mutex lock_;
  base::Value prefs_ = base::Value::object();
  // A write task is queued and has not taken its snapshot yet; every change
  // until then goes into that one write.
  bool write_pending_ = false;
  // Changes that no write has taken yet.
  bool dirty_ = false;
  // An existing file that could not be read must not be replaced by what
  // little this store holds.
  bool read_only_ = false;
  bool read_only_reported_ = false;

  bool initialized_ = false;
  PrefReadError read_error_ = PREF_READ_ERROR_NONE;
};

JsonPrefStore::PrefReadError JsonPrefStore::State::Read() {
  base::Value prefs = base::Value::object();
  PrefReadError error = PREF_READ_ERROR_NONE;
  // Set when the file stays where it is but must not be written over.
  bool keep_off = false;
  int64_t size = 0;
  std::string contents;
  if (base::GetFileSize(path_, &size) && size > kMaxFileSize) {
    // Not read at all: a hostile or damaged disk must not end every start
    // with an allocation failure.
    error = PREF_READ_ERROR_JSON_PARSE;
    LOG(ERROR) << "Prefs file " << path_ << " is too large ("
               << size << " bytes)";
    // A store that never writes, such as the notifier's view of the
    // browser's settings, leaves a file it did not read as it is.
    if (!MayWrite() || !MoveAside())
      keep_off = true;
  } else if (!base::ReadFileToString(path_, &contents)) {
    if (base::PathExists(path_)) {
      // Nothing changed while this store runs will be saved: worth more
      // than a verbose line.
      PLOG(ERROR) << "Cannot read prefs file " << path_;
      error = PREF_READ_ERROR_ACCESS_DENIED;
      keep_off = true;
    } else {
      error = PREF_READ_ERROR_NO_FILE;
    }
  } else {
    std::string message;
    std::optional<base::Value> value =
        base::JSONReader::ReadAndReturnError(contents, &message);
    if (!value) {
      error = PREF_READ_ERROR_JSON_PARSE;
      LOG(WARNING) << "Prefs file " << path_ << " is invalid ("
                   << message << ")";
      if (!MoveAside())
        keep_off = true;
    } else if (!value->is_object()) {
      // Valid JSON of another type is read as empty and left in place.
      error = PREF_READ_ERROR_JSON_TYPE;
      LOG(WARNING) << "Prefs file " << path_
                   << " does not hold a dictionary";
    } else {
      prefs = std::move(*value);
    }
  }

  std::lock_guard<std::mutex> hold(lock_);
  prefs_ = std::move(prefs);
  dirty_ = false;
  read_only_ = keep_off;
  initialized_ = true;
  read_error_ = error;
  return error;
}

bool JsonPrefStore::State::MayWrite() {
  return runner_ && runner_->PostTask(FROM_HERE, [] {});
}

bool JsonPrefStore::State::MoveAside() {
  // Kept for inspection, out of the way of the next write.
  base::FilePath bad = path_;
  bad.replace_extension(L"bad");
  if (!base::Move(path_, bad)) {
    // Defaults written now would replace the user's bytes; the next start
    // tries again.
    PLOG(ERROR) << "Cannot move " << path_ << " aside to "
                << bad << "; it is left untouched";
    return false;
  }
  LOG(WARNING) << "Moved " << path_ << " aside to "
               << bad;
  return true;
}

void JsonPrefStore::State::Set(std::string_view key, base::Value value) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    const base::Value* current = base::FindPath(prefs_, key);
    if (current && SameValue(*current, value))
      return;
    base::SetPath(prefs_, key, std::move(value));
    dirty_ = true;
  }
  ScheduleWrite();
}

void JsonPrefStore::State::Remove(std::string_view key) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!base::RemovePath(prefs_, key))
      return;
    dirty_ = true;
  }
  ScheduleWrite();
}

void JsonPrefStore::State::ScheduleWrite() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (write_pending_ || !dirty_ || !runner_)
      return;
    if (read_only_) {
      if (!read_only_reported_) {
        read_only_reported_ = true;
        LOG(ERROR) << "Not saving prefs to " << path_
                   << ": the existing file could not be read";
      }
      return;
    }
    write_pending_ = true;
  }
  // Posted without the lock held: a runner may run the task at once, or
  // destroy it at once when it refuses it.
  auto ticket = std::make_shared<WriteTicket>(shared_from_this());
  if (!runner_->PostTask(FROM_HERE, [ticket] { ticket->Run(); })) {
    // The runner refuses file work (a read-only store): nothing is written,
    // and a later change tries again.
    VLOG(1) << "Prefs write for " << path_ << " refused";
  }
}

void JsonPrefStore::State::OnWriteDropped() {
  std::lock_guard<std::mutex> hold(lock_);
  write_pending_ = false;
}

void JsonPrefStore::State::WriteNow() {
  std::string data;
  {
    std::lock_guard<std::mutex> hold(lock_);
    write_pending_ = false;
    dirty_ = false;
    base::JSONWriter::Write(prefs_, &data);
  }
  if (!base::WriteFileAtomically(path_, data)) {
    PLOG(ERROR) << "Failed writing prefs to " << path_;
    // Not on disk: the next commit tries again.
    std::lock_guard<std::mutex> hold(lock_);
    dirty_ = true;
  }
}

// JsonPrefStore ---------------------------------------------------------------

// static
std::shared_ptr<base::SequencedTaskRunner> JsonPrefStore::GetTaskRunnerForFile(
    const base::FilePath& pref_file,
    base::SequencedWorkerPool* worker_pool) {
  return worker_pool->GetSequencedTaskRunner();
}

JsonPrefStore::JsonPrefStore(
    const base::FilePath& path,
    std::shared_ptr<base::SequencedTaskRunner> file_task_runner)
    : state_(std::make_shared<State>(path, std::move(file_task_runner))) {}

JsonPrefStore::~JsonPrefStore() {
  CommitPendingWrite();
}

JsonPrefStore::PrefReadError JsonPrefStore::ReadPrefs() {
  return state_->Read();
}

bool JsonPrefStore::IsInitializationComplete() const {
  return state_->initialized();
}

JsonPrefStore::PrefReadError JsonPrefStore::GetReadError() const {
  return state_->read_error();
}

const base::Value* JsonPrefStore::GetValue(std::string_view path) const {
  return state_->Get(path);
}

void JsonPrefStore::SetValue(std::string_view path, base::Value value) {
  state_->Set(path, std::move(value));
}

void JsonPrefStore::RemoveValue(std::string_view path) {
  state_->Remove(path);
}

void JsonPrefStore::CommitPendingWrite() {
  state_->ScheduleWrite();
}

const base::FilePath& JsonPrefStore::path() const {
  return state_->path();
}
