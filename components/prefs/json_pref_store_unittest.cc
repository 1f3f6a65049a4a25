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
    EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path.string();
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
         std::filesystem::directory_iterator(temp_dir_.GetPath()))
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

TEST_F(JsonPrefStoreTest, InvalidFilesAreMovedAside) {
  const base::FilePath bad = temp_dir_.GetPath() / L"tavrin_prefs.bad";
  struct Case {
    const char* contents;
    JsonPrefStore::PrefReadError error;
  } cases[] = {
      {"{\"truncated\": ", JsonPrefStore::PREF_READ_ERROR_JSON_PARSE},
      {"[1, 2, 3]", JsonPrefStore::PREF_READ_ERROR_JSON_TYPE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contents);
    ASSERT_TRUE(base::WriteFile(path_, c.contents));
    JsonPrefStore store(path_, runner_);
    EXPECT_EQ(c.error, store.ReadPrefs());
    EXPECT_FALSE(base::PathExists(path_));
    EXPECT_EQ(c.contents, ReadFile(bad));

    // The store goes on from empty and writes a fresh file.
    store.SetValue("fresh", base::Value(true));
    runner_->RunAll();
    EXPECT_EQ(R"({"fresh":true})", ReadFile(path_));
    ASSERT_TRUE(std::filesystem::remove(path_));
  }
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
  auto store = MakeStore();
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_ACCESS_DENIED,
            store->GetReadError());
  store->SetValue("other", base::Value(1));
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
