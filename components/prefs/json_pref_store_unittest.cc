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
#include "base/message_loop/message_loop.h"
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

TEST_F(JsonPrefStoreTest, MissingFileReadsEmpty) {
  JsonPrefStore store(path_, runner_);
  EXPECT_FALSE(store.IsInitializationComplete());
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_NO_FILE, store.ReadPrefs());
  EXPECT_TRUE(store.IsInitializationComplete());
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_NO_FILE, store.GetReadError());
  EXPECT_EQ(nullptr, store.GetValue("anything"));
  EXPECT_EQ(path_, store.path());
  // Reading creates nothing.
  EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(JsonPrefStoreTest, ReadsNestedValuesByDottedPath) {
  ASSERT_TRUE(base::WriteFile(
      path_, R"({"language":"de","a":{"b":{"c":3}},"a.b":"literal"})"));
  auto store = MakeStore();
  EXPECT_EQ(JsonPrefStore::PREF_READ_ERROR_NONE, store->GetReadError());
  ASSERT_NE(nullptr, store->GetValue("language"));
  EXPECT_EQ("de", store->GetValue("language")->get<std::string>());
  ASSERT_NE(nullptr, store->GetValue("a.b.c"));
  EXPECT_EQ(3, store->GetValue("a.b.c")->get<int>());
  EXPECT_TRUE(store->GetValue("a.b")->is_object());
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
      {"", JsonPrefStore::PREF_READ_ERROR_JSON_PARSE},
      {"[1, 2, 3]", JsonPrefStore::PREF_READ_ERROR_JSON_TYPE},
      {"\"just text\"", JsonPrefStore::PREF_READ_ERROR_JSON_TYPE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contents);
    ASSERT_TRUE(base::WriteFile(path_, c.contents));
    JsonPrefStore store(path_, runner_);
    EXPECT_EQ(c.error, store.ReadPrefs());
    EXPECT_TRUE(store.IsInitializationComplete());
    EXPECT_EQ(nullptr, store.GetValue("truncated"));
    EXPECT_FALSE(base::PathExists(path_));
    EXPECT_EQ(c.contents, ReadFile(bad));

    // The store works on from empty and writes a fresh file.
    store.SetValue("fresh", base::Value(true));
    runner_->RunAll();
    EXPECT_EQ(R"({"fresh":true})", ReadFile(path_));
    ASSERT_TRUE(std::filesystem::remove(path_));
  }
}

TEST_F(JsonPrefStoreTest, ChangesAreBatchedIntoOneWrite) {
  auto store = MakeStore();
  for (int i = 0; i < 20; ++i)
    store->SetValue("counter", base::Value(i));
  store->SetValue("notification_scheduler.scheduled_check_time",
                  base::Value(1.5e9));
  store->SetValue("analytics.user_id", base::Value("abc"));
  EXPECT_EQ(1, runner_->posts);
  EXPECT_FALSE(base::PathExists(path_));  // Nothing before the task runs.

  runner_->RunAll();
  base::Value written = ReadJson();
  EXPECT_EQ(19, written["counter"]);
  EXPECT_EQ(1.5e9, written["notification_scheduler"]["scheduled_check_time"]);
  EXPECT_EQ("abc", written["analytics"]["user_id"]);

  // Equal values change nothing and schedule nothing.
  store->SetValue("counter", base::Value(19));
  store->SetValue("analytics.user_id", base::Value("abc"));
  store->RemoveValue("no.such.key");
  store->CommitPendingWrite();
  EXPECT_EQ(1, runner_->posts);

  // A later change gets a write of its own; an integer replacing a double of
  // the same value is a change.
  store->SetValue("notification_scheduler.scheduled_check_time",
                  base::Value(1500000000));
  store->RemoveValue("counter");
  EXPECT_EQ(2, runner_->posts);
  runner_->RunAll();
  written = ReadJson();
  EXPECT_FALSE(written.contains("counter"));
  EXPECT_TRUE(written["notification_scheduler"]["scheduled_check_time"]
                  .is_number_integer());
}

TEST_F(JsonPrefStoreTest, WriteIsAtomicCompactAndLeavesNoTempFiles) {
  ASSERT_TRUE(base::WriteFile(path_, R"({"old": 1})"));
  auto store = MakeStore();
  store->SetValue("a.b", base::Value("x"));
  store->SetValue("list", base::Value::array({1, 2}));
  runner_->RunAll();

  EXPECT_EQ(R"({"a":{"b":"x"},"list":[1,2],"old":1})", ReadFile(path_));
  EXPECT_EQ(std::vector<std::wstring>{L"tavrin_prefs.json"}, FilesInDir());
}

TEST_F(JsonPrefStoreTest, RefusingRunnerWritesNothingAndLaterChangesRetry) {
  runner_->accept = false;
  auto store = MakeStore();
  store->SetValue("au_task_error_count", base::Value(2));
  EXPECT_EQ(1, runner_->posts);
  // Refused, so nothing is pending: the next change asks again.
  store->SetValue("au_task_error_count", base::Value(1));
  EXPECT_EQ(2, runner_->posts);
  store.reset();  // The destructor's commit is refused too.
  EXPECT_EQ(3, runner_->posts);
  EXPECT_FALSE(base::PathExists(path_));
}

TEST_F(JsonPrefStoreTest, WriteDroppedUnrunIsPostedAgain) {
  auto store = MakeStore();
  store->SetValue("x", base::Value(1));
  ASSERT_EQ(1u, runner_->tasks.size());
  // The runner accepted the write but dropped it unrun, as a message loop
  // destroyed with tasks queued does.
  runner_->tasks.clear();
  store->SetValue("y", base::Value(2));
  EXPECT_EQ(2, runner_->posts);
  runner_->RunAll();
  EXPECT_EQ(R"({"x":1,"y":2})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, DestroyedStoreStillWritesQueuedChanges) {
  auto store = MakeStore();
  store->SetValue("kept", base::Value("yes"));
  store.reset();
  ASSERT_EQ(1u, runner_->tasks.size());
  runner_->RunAll();
  EXPECT_EQ(R"({"kept":"yes"})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, DestructorCommitsUnwrittenChanges) {
  auto store = MakeStore();
  runner_->accept = false;
  store->SetValue("late", base::Value(7));
  runner_->accept = true;
  store.reset();
  runner_->RunAll();
  EXPECT_EQ(R"({"late":7})", ReadFile(path_));
}

TEST_F(JsonPrefStoreTest, FailedWriteIsRetriedOnNextCommit) {
  path_ = temp_dir_.GetPath() / L"missing_dir" / L"prefs.json";
  auto store = MakeStore();
  store->SetValue("v", base::Value(1));
  runner_->RunAll();
  EXPECT_FALSE(base::PathExists(path_));

  ASSERT_TRUE(std::filesystem::create_directory(path_.parent_path()));
  store->CommitPendingWrite();
  runner_->RunAll();
  EXPECT_EQ(R"({"v":1})", ReadFile(path_));
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

TEST_F(JsonPrefStoreTest, WritesOnTheMessageLoopThatOwnsIt) {
  base::MessageLoop loop;
  auto store = std::make_unique<JsonPrefStore>(path_, loop.task_runner());
  store->ReadPrefs();
  store->SetValue("consecutive_dismisses", base::Value(3));
  store->SetValue("last_shown_notifications", base::Value("ads"));
  EXPECT_FALSE(base::PathExists(path_));
  loop.RunUntilIdle();
  EXPECT_EQ(R"({"consecutive_dismisses":3,"last_shown_notifications":"ads"})",
            ReadFile(path_));
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
