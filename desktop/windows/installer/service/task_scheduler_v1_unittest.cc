#include "desktop/windows/installer/service/task_scheduler_v1.h"

#include <windows.h>

#include <mstask.h>
#include <wrl/client.h>

#include <string>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/task_account.h"
#include "desktop/windows/installer/service/test/fake_task_account.h"
#include "gtest/gtest.h"

// Task Scheduler 1.0 works under Wine and keeps what it is given in its job
// files, so these tests register real work items and read them back through
// the platform's own ITask. Wine does not keep file DACLs, so the job-file
// grant is checked on the access list it builds
// (job_file_access_unittest.cc).

using Microsoft::WRL::ComPtr;

namespace installer {
namespace {

using test::FailingAccountName;
using test::FakeAccountName;
using test::kUser;

// What the platform keeps of a work item.
struct Job {
  std::wstring application;
  std::wstring parameters;
  std::wstring comment;
  std::wstring creator;
  DWORD flags = 0;
  DWORD max_run_time = 0;
  std::vector<TASK_TRIGGER> triggers;
};

std::wstring TakeString(LPWSTR text) {
  std::wstring result = text ? text : L"";
  CoTaskMemFree(text);
  return result;
}

class TaskSchedulerV1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(scheduler_.Init());
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(
        CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
        reinterpret_cast<void**>(platform_.GetAddressOf()))));
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    program_ = temp_dir_.GetPath() / L"launcher.exe";
    ASSERT_TRUE(base::WriteFile(program_, "MZ"));
    SetTaskAccountNameFunctionForTesting(&FakeAccountName);
  }

  void TearDown() override {
    SetTaskAccountNameFunctionForTesting(nullptr);
    for (const std::wstring& full_name : created_)
      platform_->Delete(full_name.c_str());
  }

  TaskInfo MakeInfo(const std::wstring& name) {
    base::CommandLine command_line(program_);
    command_line.AppendSwitch("scheduledautoupdate");
    command_line.AppendSwitchNative("component-name", L"tavrin");
    command_line.AppendArgNative(L"$(Arg0)");
    TaskInfo info(command_line);
    info.name = name;
    info.description = L"Keeps Ulvena tavrin up to date";
    info.max_run_seconds = 3600;
    info.trigger_kind = TaskInfo::kTriggerDaily;
    info.add_logon_trigger = true;
    Track(GetFullTaskName(name));
    return info;
  }

  void Track(const std::wstring& full_name) { created_.push_back(full_name); }

  ComPtr<ITask> Open(const std::wstring& full_name) {
    ComPtr<ITask> task;
    platform_->Activate(full_name.c_str(), IID_ITask,
                        reinterpret_cast<IUnknown**>(task.GetAddressOf()));
    return task;
  }

  bool ReadJob(const std::wstring& name, Job* job) {
    ComPtr<ITask> task = Open(GetFullTaskName(name));
    if (!task)
      return false;
    LPWSTR text = nullptr;
    if (FAILED(task->GetApplicationName(&text)))
      return false;
    job->application = TakeString(text);
    if (FAILED(task->GetParameters(&text)))
      return false;
    job->parameters = TakeString(text);
    if (FAILED(task->GetComment(&text)))
      return false;
    job->comment = TakeString(text);
    if (FAILED(task->GetCreator(&text)))
      return false;
    job->creator = TakeString(text);
    WORD count = 0;
    if (FAILED(task->GetFlags(&job->flags)) ||
        FAILED(task->GetMaxRunTime(&job->max_run_time)) ||
        FAILED(task->GetTriggerCount(&count))) {
      return false;
    }
    for (WORD i = 0; i < count; ++i) {
      ComPtr<ITaskTrigger> trigger;
      TASK_TRIGGER record = {};
      record.cbTriggerSize = sizeof(record);
      if (FAILED(task->GetTrigger(i, trigger.GetAddressOf())) ||
          FAILED(trigger->GetTrigger(&record))) {
        return false;
      }
      job->triggers.push_back(record);
    }
    return true;
  }

  bool Exists(const std::wstring& full_name) { return Open(full_name); }

  // A work item saved directly through the platform, under any name.
  bool SaveJob(const std::wstring& full_name, const base::FilePath& program) {
    Track(full_name);
    ComPtr<ITask> task;
    ComPtr<IPersistFile> file;
    return SUCCEEDED(platform_->NewWorkItem(
               full_name.c_str(), CLSID_CTask, IID_ITask,
               reinterpret_cast<IUnknown**>(task.GetAddressOf()))) &&
           SUCCEEDED(task->SetApplicationName(program.c_str())) &&
           SUCCEEDED(task->QueryInterface(
               IID_IPersistFile,
               reinterpret_cast<void**>(file.GetAddressOf()))) &&
           SUCCEEDED(file->Save(nullptr, TRUE));
  }

  std::wstring JobFile(const std::wstring& name) {
    ComPtr<ITask> task = Open(GetFullTaskName(name));
    ComPtr<IPersistFile> file;
    LPOLESTR path = nullptr;
    if (!task ||
        FAILED(task->QueryInterface(
            IID_IPersistFile, reinterpret_cast<void**>(file.GetAddressOf()))) ||
        FAILED(file->GetCurFile(&path))) {
      return std::wstring();
    }
    return TakeString(path);
  }

  base::win::ScopedComInitializer com_;
  TaskSchedulerV1 scheduler_;
  ComPtr<ITaskScheduler> platform_;
  base::ScopedTempDir temp_dir_;
  base::FilePath program_;
  std::vector<std::wstring> created_;
};

// The record's start must be the minute the task was created in.
void ExpectStartsAround(const TASK_TRIGGER& record,
                        const SYSTEMTIME& before,
                        const SYSTEMTIME& after) {
  auto minutes = [](WORD y, WORD mo, WORD d, WORD h, WORD mi) {
    return ((((y * 13LL + mo) * 32 + d) * 24 + h) * 60) + mi;
  };
  const long long start =
      minutes(record.wBeginYear, record.wBeginMonth, record.wBeginDay,
              record.wStartHour, record.wStartMinute);
  EXPECT_LE(minutes(before.wYear, before.wMonth, before.wDay, before.wHour,
                    before.wMinute),
            start);
  EXPECT_GE(minutes(after.wYear, after.wMonth, after.wDay, after.wHour,
                    after.wMinute),
            start);
}

TEST_F(TaskSchedulerV1Test, PerUserDailyTaskIsStoredAsGiven) {
  const TaskInfo info = MakeInfo(L"tavrin Autoupdate 1476345785");
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  ASSERT_TRUE(scheduler_.CreateTask(info));
  GetLocalTime(&after);

  Job job;
  ASSERT_TRUE(ReadJob(info.name, &job));
  EXPECT_EQ(program_.native(), job.application);
  EXPECT_EQ(L"--scheduledautoupdate --component-name=tavrin $(Arg0)",
            job.parameters);
  EXPECT_EQ(L"Keeps Ulvena tavrin up to date", job.comment);
  EXPECT_EQ(kUser, job.creator);
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON), job.flags);
  EXPECT_EQ(3600000u, job.max_run_time);
  ComPtr<ITask> task = Open(GetFullTaskName(info.name));
  ASSERT_TRUE(task);
  LPWSTR account = nullptr;
  // Where the service keeps the account (Windows; not Wine), it is the user.
  if (SUCCEEDED(task->GetAccountInformation(&account)))
    EXPECT_EQ(kUser, TakeString(account));

  ASSERT_EQ(2u, job.triggers.size());
  const TASK_TRIGGER& daily = job.triggers[0];
  EXPECT_EQ(0x30, daily.cbTriggerSize);
  EXPECT_EQ(TASK_TIME_TRIGGER_DAILY, daily.TriggerType);
  EXPECT_EQ(1, daily.Type.Daily.DaysInterval);
  ExpectStartsAround(daily, before, after);
  EXPECT_EQ(0, daily.wEndYear);
  EXPECT_EQ(0u, daily.MinutesDuration);
  EXPECT_EQ(0u, daily.MinutesInterval);
  EXPECT_EQ(0u, daily.rgFlags);
  const TASK_TRIGGER& logon = job.triggers[1];
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, logon.TriggerType);
  EXPECT_EQ(0, logon.Type.Daily.DaysInterval);
  ExpectStartsAround(logon, before, after);
}

TEST_F(TaskSchedulerV1Test, AllUsersTaskRunsAsTheSystemAccount) {
  TaskInfo info = MakeInfo(L"tavrin all users");
  info.all_users = TRUE;
  ASSERT_TRUE(scheduler_.CreateTask(info));

  Job job;
  ASSERT_TRUE(ReadJob(info.name, &job));
  // The same logon trigger as for one user: there is no boot trigger.
  ASSERT_EQ(2u, job.triggers.size());
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, job.triggers[1].TriggerType);
  ComPtr<ITask> task = Open(GetFullTaskName(info.name));
  ASSERT_TRUE(task);
  // The system account reads back as an empty name. Wine keeps no account
  // in the job file and answers that none is set; Windows keeps it.
  LPWSTR account = nullptr;
  if (SUCCEEDED(task->GetAccountInformation(&account)))
    EXPECT_EQ(L"", TakeString(account));
  EXPECT_FALSE(JobFile(info.name).empty());
}

TEST_F(TaskSchedulerV1Test, NoTimeLimitAndNoMainTrigger) {
  TaskInfo info = MakeInfo(L"tavrin logon only");
  info.max_run_seconds = 0;
  info.trigger_kind = TaskInfo::kTriggerNone;
  ASSERT_TRUE(scheduler_.CreateTask(info));
  Job job;
  ASSERT_TRUE(ReadJob(info.name, &job));
  EXPECT_EQ(INFINITE, job.max_run_time);
  ASSERT_EQ(1u, job.triggers.size());
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, job.triggers[0].TriggerType);

  info.add_logon_trigger = false;
  ASSERT_TRUE(scheduler_.CreateTask(info));
  Job bare;
  ASSERT_TRUE(ReadJob(info.name, &bare));
  // Wine cannot write a job file without a trigger: it saves one disabled
  // daily record in place of the empty list. A record of ours would be
  // enabled.
  if (bare.triggers.size() == 1u)
    EXPECT_TRUE(bare.triggers[0].rgFlags & TASK_TRIGGER_FLAG_DISABLED);
  else
    EXPECT_TRUE(bare.triggers.empty());
}

TEST_F(TaskSchedulerV1Test, CreatingAgainReplacesTheTask) {
  TaskInfo info = MakeInfo(L"tavrin replaced");
  ASSERT_TRUE(scheduler_.CreateTask(info));
  info.description = L"second";
  info.add_logon_trigger = false;
  ASSERT_TRUE(scheduler_.CreateTask(info));
  Job job;
  ASSERT_TRUE(ReadJob(info.name, &job));
  EXPECT_EQ(L"second", job.comment);
  EXPECT_EQ(1u, job.triggers.size());
}

TEST_F(TaskSchedulerV1Test, FailedUserLookupKeepsTheExistingTask) {
  const TaskInfo info = MakeInfo(L"tavrin kept");
  ASSERT_TRUE(scheduler_.CreateTask(info));
  SetTaskAccountNameFunctionForTesting(&FailingAccountName);
  EXPECT_FALSE(scheduler_.CreateTask(info));
  EXPECT_TRUE(Exists(GetFullTaskName(info.name)));
}

TEST_F(TaskSchedulerV1Test, DeleteTaskRemovesItAndIgnoresAbsentOnes) {
  const TaskInfo info = MakeInfo(L"tavrin deleted");
  ASSERT_TRUE(scheduler_.CreateTask(info));
  ASSERT_EQ(TaskState::kReady, scheduler_.GetTaskState(info.name));
  scheduler_.DeleteTask(info.name);
  EXPECT_FALSE(Exists(GetFullTaskName(info.name)));
  EXPECT_EQ(TaskState::kNotFound, scheduler_.GetTaskState(info.name));
  scheduler_.DeleteTask(info.name);
  EXPECT_TRUE(scheduler_.GetLastRunTime(info.name).is_null());
}

// The scheduler service reads a job file each time it changes; a delete in
// that moment meets the file in use and must not leave the task behind.
TEST_F(TaskSchedulerV1Test, DeleteWaitsForAJobFileInUse) {
  const TaskInfo info = MakeInfo(L"tavrin in use");
  ASSERT_TRUE(scheduler_.CreateTask(info));
  const std::wstring job_file = JobFile(info.name);
  ASSERT_FALSE(job_file.empty());
  // Opened as a reader that does not share deletion.
  HANDLE reader = CreateFileW(job_file.c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  ASSERT_EQ(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION),
            platform_->Delete(GetFullTaskName(info.name).c_str()));
  std::thread closer([reader] {
    Sleep(150);
    CloseHandle(reader);
  });
  scheduler_.DeleteTask(info.name);
  closer.join();
  EXPECT_FALSE(Exists(GetFullTaskName(info.name)));
}

TEST_F(TaskSchedulerV1Test, DisableAndEnableKeepTheOtherFlags) {
  TaskInfo info = MakeInfo(L"tavrin toggled");
  ASSERT_TRUE(scheduler_.CreateTask(info));

  scheduler_.SetTaskEnabled(info.name, false);
  Job disabled;
  ASSERT_TRUE(ReadJob(info.name, &disabled));
  EXPECT_EQ(
      static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_DISABLED),
      disabled.flags);
  EXPECT_EQ(TaskState::kDisabled, scheduler_.GetTaskState(info.name));

  scheduler_.SetTaskEnabled(info.name, true);
  Job enabled;
  ASSERT_TRUE(ReadJob(info.name, &enabled));
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON), enabled.flags);
  EXPECT_EQ(TaskState::kReady, scheduler_.GetTaskState(info.name));
  // A task that has not run has no last run time.
  EXPECT_TRUE(scheduler_.GetLastRunTime(info.name).is_null());
}

// Wine reports no status but "has not run" or "not scheduled" for a job, so
// the other statuses are shown on the mapping itself.
TEST(TaskSchedulerV1StateTest, JobStatusesMapToTaskStates) {
  const struct {
    HRESULT status;
    TaskState expected;
  } cases[] = {
      {SCHED_S_TASK_READY, TaskState::kReady},
      {SCHED_S_TASK_RUNNING, TaskState::kRunning},
      {SCHED_S_TASK_DISABLED, TaskState::kDisabled},
      {SCHED_S_TASK_HAS_NOT_RUN, TaskState::kReady},
      {SCHED_S_TASK_NO_MORE_RUNS, TaskState::kWillNotRun},
      {SCHED_S_TASK_NOT_SCHEDULED, TaskState::kWillNotRun},
      {SCHED_S_TASK_TERMINATED, TaskState::kUnknown},
      {SCHED_S_TASK_NO_VALID_TRIGGERS, TaskState::kWillNotRun},
      {S_OK, TaskState::kUnknown},
      {0x00041308, TaskState::kUnknown},
  };
  for (const auto& entry : cases) {
    EXPECT_EQ(entry.expected, TaskStateFromJobStatus(entry.status))
        << std::hex << entry.status;
  }
}

TEST_F(TaskSchedulerV1Test, DailyIntervalChangesOnlyWhenItDiffers) {
  TaskInfo info = MakeInfo(L"tavrin interval");
  ASSERT_TRUE(scheduler_.CreateTask(info));
  const std::wstring job_file = JobFile(info.name);
  ASSERT_FALSE(job_file.empty());
  std::string original;
  ASSERT_TRUE(base::ReadFileToString(base::FilePath(job_file), &original));

  // Already 1: the job file keeps every byte.
  scheduler_.SetDailyInterval(info.name, 1);
  std::string unchanged;
  ASSERT_TRUE(base::ReadFileToString(base::FilePath(job_file), &unchanged));
  EXPECT_EQ(original, unchanged);

  scheduler_.SetDailyInterval(info.name, 3);
  Job job;
  ASSERT_TRUE(ReadJob(info.name, &job));
  ASSERT_EQ(2u, job.triggers.size());
  EXPECT_EQ(3, job.triggers[0].Type.Daily.DaysInterval);
  // Only the first daily trigger is touched.
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, job.triggers[1].TriggerType);
  EXPECT_EQ(0, job.triggers[1].Type.Daily.DaysInterval);
}

TEST_F(TaskSchedulerV1Test, OrphanCleanupRemovesOnlyOurTasksWithoutProgram) {
  TaskInfo present = MakeInfo(L"tavrin orphan present");
  ASSERT_TRUE(scheduler_.CreateTask(present));

  TaskInfo gone = MakeInfo(L"tavrin orphan gone");
  gone.command_line = base::CommandLine(temp_dir_.GetPath() / L"gone.exe");
  ASSERT_TRUE(scheduler_.CreateTask(gone));

  TaskInfo disabled = MakeInfo(L"tavrin orphan disabled");
  disabled.command_line = gone.command_line;
  ASSERT_TRUE(scheduler_.CreateTask(disabled));
  scheduler_.SetTaskEnabled(disabled.name, false);

  // Our name in another case is still ours.
  const std::wstring upper_name = L"ULVENA SCHEDULED TAVRIN orphan upper";
  ASSERT_TRUE(SaveJob(upper_name, temp_dir_.GetPath() / L"gone.exe"));

  // Another product's task whose program is gone is none of our business.
  const std::wstring foreign = L"Other scheduled updater";
  ASSERT_TRUE(SaveJob(foreign, temp_dir_.GetPath() / L"gone.exe"));

  scheduler_.DeleteOrphanedTasks();

  EXPECT_TRUE(Exists(GetFullTaskName(present.name)));
  EXPECT_FALSE(Exists(GetFullTaskName(gone.name)));
  EXPECT_TRUE(Exists(GetFullTaskName(disabled.name)));
  EXPECT_FALSE(Exists(upper_name));
  EXPECT_TRUE(Exists(foreign));
}

TEST_F(TaskSchedulerV1Test, RunOnceTaskIsDeletedWhenDoneWithOneTimeTrigger) {
  TaskInfo info = MakeInfo(L"tavrin run once");
  info.trigger_kind = TaskInfo::kTriggerOnce;
  // A program that cannot start keeps the job in place to be read back.
  info.command_line = base::CommandLine(temp_dir_.GetPath() / L"absent.exe");
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  ASSERT_TRUE(scheduler_.CreateTask(info));
  GetLocalTime(&after);

  Job job;
  ASSERT_TRUE(ReadJob(info.name, &job));
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON |
                               TASK_FLAG_DELETE_WHEN_DONE),
            job.flags);
  // No logon trigger although one was asked for.
  ASSERT_EQ(1u, job.triggers.size());
  EXPECT_EQ(TASK_TIME_TRIGGER_ONCE, job.triggers[0].TriggerType);
  ExpectStartsAround(job.triggers[0], before, after);
}

}  // namespace
}  // namespace installer
