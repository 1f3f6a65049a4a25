#include "components/prefs/json_pref_store.h"

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/test/test_log_capture.h"
#include "base/threading/sequenced_worker_pool.h"
#include "gtest/gtest.h"

namespace {

// Holds posted tasks until the test runs them, counting every post; it can
// also refuse tasks, as the notifier's read-only store's runner does.
class ManualTaskRunner : public base::SequencedTaskRunner {
 public:
  bool PostDelayedTask(const base::Location& from_here,
                       base::OnceClosure task,
                       base::TimeDelta delay) override {
    ++posts;
    if (!accept)
      return false;
    tasks.push_back(std::move(task));
    return true;
  }
  bool PostNonNestableDelayedTask(const base::Location& from_here,
                                  base::OnceClosure task,
                                  base::TimeDelta delay) override {
    return PostDelayedTask(from_here, std::move(task), delay);
  }
  bool RunsTasksOnCurrentThread() const override { return true; }

  void RunAll() {
    std::vector<base::OnceClosure> now;
    now.swap(tasks);
    for (auto& task : now)
      task();
  }

  int posts = 0;
  bool accept = true;
  std::vector<base::OnceClosure> tasks;
};

class JsonPrefStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath() / L"tavrin_prefs.json";
    runner_ = std::make_shared<ManualTaskRunner>();
  }

  std::unique_ptr<JsonPrefStore> MakeStore() {
    auto store = std::make_unique<JsonPrefStore>(path_, runner_);
    store->ReadPrefs();
    return store;
  }

  std::string ReadFile(const base::FilePath& path) {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path;
    return contents;
  }

  base::Value ReadJson() {
    std::optional<base::Value> value = base::JSONReader::Read(ReadFile(path_));
    EXPECT_TRUE(value.has_value());
    return value ? *value : base::Value();
  }

  std::vector<std::wstring> FilesInDir() {
    std::vector<std::wstring> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(temp_dir_.GetPath().native()))
      names.push_back(entry.path().filename().wstring());
    return names;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath path_;
  std::shared_ptr<ManualTaskRunner> runner_;
};

TEST_F(JsonPrefStoreTest, ReadsMissingFileAsEmptyAndNestedValuesByPath) {
  JsonPrefStore missing(path_, runner_);
  EXPECT_FALSE(missing.IsInitializationComplete());
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_NO_FILE, missing.ReadPrefs());
  EXPECT_TRUE(missing.IsInitializationComplete());
  EXPECT_EQ(nullptr, missing.GetValue("language"));
  EXPECT_TRUE(FilesInDir().empty());

  ASSERT_TRUE(base::WriteFile(path_, R"({"language":"de","a":{"b":{"c":3}}})"));
  auto store = MakeStore();
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_NONE, store->GetReadError());
  EXPECT_EQ("de", store->GetValue("language")->get<std::string>());
  EXPECT_EQ(3, store->GetValue("a.b.c")->get<int>());
  EXPECT_EQ(nullptr, store->GetValue("a.b.c.d"));
  EXPECT_EQ(0, runner_->posts);
}

TEST_F(JsonPrefStoreTest, OnlyInvalidJsonIsMovedAside) {
  const base::FilePath bad = temp_dir_.GetPath() / L"tavrin_prefs.bad";
  // A file of 20,000 brackets, as a damaged disk may leave, is refused by
  // the reader instead of overflowing the stack.
  const std::string deep = std::string(20000, '[') + std::string(20000, ']');
  for (const std::string& contents : {std::string("{\"truncated\": "), deep}) {
    SCOPED_TRACE(contents.substr(0, 20));
    ASSERT_TRUE(base::WriteFile(path_, contents));
    JsonPrefStore store(path_, runner_);
    EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_JSON_PARSE, store.ReadPrefs());
    EXPECT_FALSE(base::PathExists(path_));
    EXPECT_EQ(contents, ReadFile(bad));

    // The store goes on from empty and writes a fresh file.
    store.SetValue("fresh", base::Value(true));
    runner_->RunAll();
    EXPECT_EQ(R"({"fresh":true})", ReadFile(path_));
    ASSERT_TRUE(std::filesystem::remove(path_.native()));
    ASSERT_TRUE(std::filesystem::remove(bad.native()));
  }

  // Valid JSON of another type is read as empty and stays where it is.
  for (const char* contents : {"[]", "[1, 2, 3]", "\"text\"", "null"}) {
    SCOPED_TRACE(contents);
    ASSERT_TRUE(base::WriteFile(path_, contents));
    JsonPrefStore store(path_, runner_);
    EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_JSON_TYPE, store.ReadPrefs());
    EXPECT_EQ(nullptr, store.GetValue("language"));
    EXPECT_EQ(contents, ReadFile(path_));
    EXPECT_FALSE(base::PathExists(bad));
  }
}

// Makes |path| a file of |size| zero bytes without writing them.
bool MakeLargeFile(const base::FilePath& path, int64_t size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool sized = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
                     ::SetEndOfFile(file);
  ::CloseHandle(file);
  return sized;
}

TEST_F(JsonPrefStoreTest, FileLargerThanAnyPrefsFileIsNotRead) {
  const base::FilePath bad = temp_dir_.GetPath() / L"tavrin_prefs.bad";
  const int64_t too_large = 16 * 1024 * 1024 + 1;

  // A store that may write moves it aside and runs on defaults.
  ASSERT_TRUE(MakeLargeFile(path_, too_large));
  {
    JsonPrefStore store(path_, runner_);
    EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_JSON_PARSE, store.ReadPrefs());
    EXPECT_FALSE(base::PathExists(path_));
    int64_t size = 0;
    ASSERT_TRUE(base::GetFileSize(bad, &size));
    EXPECT_EQ(too_large, size);
    store.SetValue("fresh", base::Value(1));
    runner_->RunAll();
    EXPECT_EQ(R"({"fresh":1})", ReadFile(path_));
  }

  // A store whose runner refuses work, as the notifier's view of the
  // browser's installer_prefs.json, reads it as empty and leaves it alone.
  ASSERT_TRUE(std::filesystem::remove(bad.native()));
  ASSERT_TRUE(MakeLargeFile(path_, too_large));
  runner_->accept = false;
  {
    JsonPrefStore store(path_, runner_);
    EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_JSON_PARSE, store.ReadPrefs());
    EXPECT_EQ(nullptr, store.GetValue("fresh"));
  }
  int64_t size = 0;
  ASSERT_TRUE(base::GetFileSize(path_, &size));
  EXPECT_EQ(too_large, size);
  EXPECT_FALSE(base::PathExists(bad));

  // At the bound itself the file is read (and here found invalid).
  runner_->accept = true;
  ASSERT_TRUE(MakeLargeFile(path_, too_large - 1));
  JsonPrefStore store(path_, runner_);
  base::TestLogCapture log;
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_JSON_PARSE, store.ReadPrefs());
  EXPECT_FALSE(log.ContainsPrefix(logging::LOG_ERROR, "Prefs file"));
  EXPECT_TRUE(base::PathExists(bad));
}

TEST_F(JsonPrefStoreTest, DamagedFileThatCannotBeMovedAsideIsKept) {
  const std::string damaged = "{\"user\": \"bytes\"";
  ASSERT_TRUE(base::WriteFile(path_, damaged));
  // Another process reads the file without sharing its deletion, so the
  // rename aside fails while the store can still read it.
  HANDLE held =
      ::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  {
    base::TestLogCapture log;
    auto store = MakeStore();
    EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_JSON_PARSE, store->GetReadError());
    EXPECT_TRUE(log.ContainsPrefix(logging::LOG_ERROR, "Cannot move"));
    store->SetValue("defaults", base::Value(1));
    store->CommitPendingWrite();
    runner_->RunAll();
  }
  ::CloseHandle(held);
  EXPECT_EQ(damaged, ReadFile(path_));
  EXPECT_FALSE(base::PathExists(temp_dir_.GetPath() / L"tavrin_prefs.bad"));

  // The next start moves it aside as usual.
  auto store = MakeStore();
  EXPECT_FALSE(base::PathExists(path_));
  EXPECT_EQ(damaged, ReadFile(temp_dir_.GetPath() / L"tavrin_prefs.bad"));
}

// The volume's identity of the file at |path|, or 0.
uint64_t FileIndex(const base::FilePath& path) {
  HANDLE file = ::CreateFileW(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 0;
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool known = ::GetFileInformationByHandle(file, &info);
  ::CloseHandle(file);
  return known ? (static_cast<uint64_t>(info.nFileIndexHigh) << 32) |
                     info.nFileIndexLow
               : 0;
}

// A write rewritten in place could leave a torn file behind a crash; the
// new contents must arrive as a new file renamed over the old one.
TEST_F(JsonPrefStoreTest, WritesReplaceTheFileInsteadOfRewritingIt) {
  ASSERT_TRUE(base::WriteFile(path_, R"({"old":1})"));
  const uint64_t old_file = FileIndex(path_);
  ASSERT_NE(0u, old_file);
  // Rewriting a file in place keeps its identity: the check below can tell.
  ASSERT_TRUE(base::WriteFile(path_, R"({"old":1})"));
  ASSERT_EQ(old_file, FileIndex(path_));

  auto store = MakeStore();
  store->SetValue("new", base::Value(2));
  runner_->RunAll();
  EXPECT_EQ(R"({"new":2,"old":1})", ReadFile(path_));
  EXPECT_NE(old_file, FileIndex(path_));
  EXPECT_EQ(std::vector<std::wstring>{L"tavrin_prefs.json"}, FilesInDir());
}

TEST_F(JsonPrefStoreTest, ChangesAreBatchedIntoOneAtomicWrite) {
  ASSERT_TRUE(base::WriteFile(path_, R"({"old": 1})"));
  auto store = MakeStore();
  for (int i = 0; i < 20; ++i)
    store->SetValue("counter", base::Value(i));
  store->SetValue("notification_scheduler.scheduled_check_time",
                  base::Value(1.5e9));
  store->SetValue("analytics.user_id", base::Value("abc"));
  EXPECT_EQ(1, runner_->posts);
  EXPECT_EQ(R"({"old": 1})", ReadFile(path_));  // Nothing before the task.

  runner_->RunAll();
  // Compact, nested by path, and no temporary file left behind.
  EXPECT_EQ(R"({"analytics":{"user_id":"abc"},"counter":19,)"
            R"("notification_scheduler":{"scheduled_check_time":1500000000.0},)"
            R"("old":1})",
            ReadFile(path_));
  EXPECT_EQ(std::vector<std::wstring>{L"tavrin_prefs.json"}, FilesInDir());

  // Equal values change nothing and schedule nothing.
  store->SetValue("counter", base::Value(19));
  store->RemoveValue("no.such.key");
  store->CommitPendingWrite();
  EXPECT_EQ(1, runner_->posts);

  // An integer replacing a double of the same value is a change.
  store->SetValue("notification_scheduler.scheduled_check_time",
                  base::Value(1500000000));
  store->RemoveValue("counter");
  EXPECT_EQ(2, runner_->posts);
  runner_->RunAll();
  base::Value written = ReadJson();
  EXPECT_FALSE(written.contains("counter"));
  EXPECT_TRUE(written["notification_scheduler"]["scheduled_check_time"]
                  .is_number_integer());
}

TEST_F(JsonPrefStoreTest, RefusedOrDroppedWritesAreTriedAgain) {
  runner_->accept = false;
  auto store = MakeStore();
  store->SetValue("au_task_error_count", base::Value(2));
  store->SetValue("au_task_error_count", base::Value(1));
  EXPECT_EQ(2, runner_->posts);  // Refused, so each change asks again.
  EXPECT_FALSE(base::PathExists(path_));

  // Accepted but dropped unrun, as a message loop destroyed with tasks
  // queued does: the next change posts anew.
  runner_->accept = true;
  store->SetValue("x", base::Value(1));
  ASSERT_EQ(1u, runner_->tasks.size());
  runner_->tasks.clear();
  store->SetValue("y", base::Value(2));
  EXPECT_EQ(4, runner_->posts);
  runner_->RunAll();
  EXPECT_EQ(R"({"au_task_error_count":1,"x":1,"y":2})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, AFailedWriteIsDoneByTheNextCommit) {
  ASSERT_TRUE(base::WriteFile(path_, R"({"old":1})"));
  auto store = MakeStore();
  // A reader that does not share deletion keeps the file from being
  // replaced, once.
  HANDLE reader = ::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  store->SetValue("new", base::Value(2));
  runner_->RunAll();
  ::CloseHandle(reader);
  ASSERT_EQ(R"({"old":1})", ReadFile(path_));

  store->CommitPendingWrite();
  runner_->RunAll();
  EXPECT_EQ(R"({"new":2,"old":1})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, DestructionCommitsAndQueuedWritesStillHappen) {
  auto store = MakeStore();
  runner_->accept = false;
  store->SetValue("late", base::Value(7));  // Refused: still unwritten.
  runner_->accept = true;
  store.reset();
  ASSERT_EQ(1u, runner_->tasks.size());
  runner_->RunAll();
  EXPECT_EQ(R"({"late":7})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, UnreadableFileIsNeverOverwritten) {
  ASSERT_TRUE(base::WriteFile(path_, R"({"precious":true})"));
  // Another process holds the file open without sharing.
  HANDLE locked = ::CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  base::TestLogCapture log;
  auto store = MakeStore();
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_ACCESS_DENIED,
            store->GetReadError());
  EXPECT_TRUE(log.ContainsPrefix(logging::LOG_ERROR, "Cannot read prefs file"));
  store->SetValue("other", base::Value(1));
  store->SetValue("more", base::Value(2));
  // Said once, at error level: nothing changed from now on is saved.
  int not_saving = 0;
  for (const auto& message : log.messages()) {
    if (message.text.rfind("Not saving prefs", 0) == 0) {
      EXPECT_EQ(logging::LOG_ERROR, message.severity);
      ++not_saving;
    }
  }
  EXPECT_EQ(1, not_saving);
  store.reset();
  ::CloseHandle(locked);
  EXPECT_EQ(0, runner_->posts);
  EXPECT_EQ(R"({"precious":true})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, PoolWriteSurvivesToAtExitShutdown) {
  ASSERT_TRUE(base::WriteFile(path_, R"({"au_task_error_count":3})"));
  // Keeps the worker busy until exit, so the write is still queued then.
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    base::AtExitManager exit_manager;
    auto pool = std::make_shared<base::SequencedWorkerPool>(1, "PrefsTaskPool");
    ASSERT_TRUE(
        base::AtExitManager::RegisterCallback([pool] { pool->Shutdown(); }));
    auto runner = JsonPrefStore::GetTaskRunnerForFile(path_, pool.get());
    runner->PostTask(FROM_HERE, [release] {
      ::WaitForSingleObject(release, 10000);
      ::Sleep(50);
    });
    {
      JsonPrefStore store(path_, runner);
      ASSERT_EQ(JsonPrefStore::PREF_READ_ERROR_NONE, store.ReadPrefs());
      store.SetValue("au_task_error_count", base::Value(2));
    }
    EXPECT_EQ(R"({"au_task_error_count":3})", ReadFile(path_));
    ::SetEvent(release);
  }
  ::CloseHandle(release);
  EXPECT_EQ(R"({"au_task_error_count":2})", ReadFile(path_));
  EXPECT_EQ(std::vector<std::wstring>{L"tavrin_prefs.json"}, FilesInDir());
}

}  // namespace
