#include "desktop/windows/installer/service/task_scheduler_v2.h"

#include <windows.h>

#include <oleauto.h>
#include <taskschd.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/test_log_capture.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/access_rights.h"
#include "desktop/windows/installer/service/task_account.h"
#include "desktop/windows/installer/service/task_time.h"
#include "desktop/windows/installer/service/test/fake_task_account.h"
#include "desktop/windows/installer/service/test/fake_task_service.h"
#include "desktop/windows/installer/service/test/task_service_probe.h"
#include "gtest/gtest.h"

// Wine's Task Scheduler 2.0 registers and deletes tasks by name but drops
// their triggers, actions and principal, so most tests here run against the
// recording fake of test/fake_task_service.h, which stands in for the
// service, its root folder and the task definition and shows every value
// and the order of the calls. RealTaskSchedulerV2Test uses the real service
// for what Wine does keep: names.

using Microsoft::WRL::ComPtr;

namespace installer {
namespace {

using test::FailingAccountName;
using test::FakeAccountName;
using test::kUser;

base::Time FixedNow() {
  SYSTEMTIME utc = {2016, 10, 4, 13, 8, 3, 5, 0};
  FILETIME file_time;
  SystemTimeToFileTime(&utc, &file_time);
  return base::Time::FromFileTime(file_time);
}

class TaskSchedulerV2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    program_ = temp_dir_.GetPath() / L"launcher.exe";
    ASSERT_TRUE(base::WriteFile(program_, "MZ"));
    service_ = new test::FakeTaskService(&log_);
    folder_ = new test::FakeTaskFolder(&log_);
    scheduler_.SetServiceForTesting(service_, folder_);
    SetTaskAccountNameFunctionForTesting(&FakeAccountName);
    base::Time::SetNowForTesting(&FixedNow);
  }

  void TearDown() override {
    test::FakeCallResults().clear();
    base::Time::SetNowForTesting(nullptr);
    SetTaskAccountNameFunctionForTesting(nullptr);
  }

  // The installer's own update task.
  TaskInfo UpdateTaskInfo() {
    base::CommandLine command_line(program_);
    command_line.AppendSwitch("scheduledautoupdate");
    command_line.AppendSwitchNative("component-name", L"tavrin");
    command_line.AppendArgNative(L"$(Arg0)");
    TaskInfo info(command_line);
    info.name = L"tavrin Autoupdate 1476345785";
    info.description = L"Keeps Ulvena tavrin up to date";
    info.max_run_seconds = 3600;
    info.trigger_kind = TaskInfo::kTriggerDaily;
    info.add_logon_trigger = true;
    info.run_only_if_network = true;
    return info;
  }

  // A registered task with one action.
  ComPtr<test::FakeRegisteredTask> AddTask(const std::wstring& full_name,
                                           TASK_ACTION_TYPE type,
                                           const std::wstring& path) {
    ComPtr<test::FakeTaskDefinition> definition =
        new test::FakeTaskDefinition(&log_);
    definition->actions->Add(type, path);
    return folder_->Add(full_name, definition);
  }

  bool Registered(const std::wstring& full_name) {
    for (const auto& task : folder_->tasks) {
      if (task->name == full_name)
        return true;
    }
    return false;
  }

  std::vector<std::wstring> ExpectedDefinitionCalls(const TaskInfo& info) {
    const std::wstring now = FormatTaskTime(FixedNow());
    std::vector<std::wstring> calls = {
        L"Service.NewTask 0",
        std::wstring(L"Registration.Author=") + kUser,
        L"Registration.Description=Keeps Ulvena tavrin up to date",
        L"Settings.ExecutionTimeLimit=PT3600S",
        L"Settings.MultipleInstances=2",
        L"Settings.RunOnlyIfNetworkAvailable=true",
        L"Settings.StopIfGoingOnBatteries=false",
        L"Settings.DisallowStartIfOnBatteries=false",
        L"Settings.StartWhenAvailable=true",
        L"Triggers.Create 2",
        L"Trigger.Id=Daily run",
        L"Trigger.StartBoundary=" + now,
        L"Trigger.DaysInterval=1",
    };
    if (info.all_users) {
      calls.insert(calls.end(),
                   {L"Triggers.Create 8", L"Trigger.Id=Logon run",
                    L"Trigger.StartBoundary=" + now, L"Trigger.Delay=PT5M"});
    } else {
      calls.insert(calls.end(), {L"Triggers.Create 9", L"Trigger.Id=Logon run",
                                 L"Trigger.StartBoundary=" + now,
                                 std::wstring(L"Trigger.UserId=") + kUser,
                                 L"Trigger.Delay=PT5M"});
    }
    calls.insert(calls.end(),
                 {L"Actions.Create 0", L"Exec.Path=" + program_.native(),
                  L"Exec.Arguments=--scheduledautoupdate "
                  L"--component-name=tavrin $(Arg0)"});
    if (IsUserAdmin())
      calls.push_back(L"Principal.RunLevel=1");
    return calls;
  }

  base::win::ScopedComInitializer com_;
  test::CallLog log_;
  ComPtr<test::FakeTaskService> service_;
  ComPtr<test::FakeTaskFolder> folder_;
  TaskSchedulerV2 scheduler_;
  base::ScopedTempDir temp_dir_;
  base::FilePath program_;
};

TEST_F(TaskSchedulerV2Test, PerUserUpdateTaskEndToEnd) {
  const TaskInfo info = UpdateTaskInfo();
  ASSERT_TRUE(scheduler_.CreateTask(info));

  const std::wstring full_name =
      L"Ulvena scheduled tavrin Autoupdate 1476345785";
  std::vector<std::wstring> expected = {L"Folder.DeleteTask " + full_name +
                                        L" 0"};
  const std::vector<std::wstring> definition = ExpectedDefinitionCalls(info);
  expected.insert(expected.end(), definition.begin(), definition.end());
  expected.push_back(L"Folder.RegisterTaskDefinition " + full_name + L" 6 '" +
                     kUser + L"' <empty> 3 ''");
  EXPECT_EQ(expected, log_);
  EXPECT_TRUE(Registered(full_name));
}

TEST_F(TaskSchedulerV2Test, AllUsersUpdateTaskRunsAsSystemWithTheSddl) {
  TaskInfo info = UpdateTaskInfo();
  info.all_users = TRUE;
  ASSERT_TRUE(scheduler_.CreateTask(info));

  const std::wstring full_name = GetFullTaskName(info.name);
  std::vector<std::wstring> expected = {L"Folder.DeleteTask " + full_name +
                                        L" 0"};
  const std::vector<std::wstring> definition = ExpectedDefinitionCalls(info);
  expected.insert(expected.end(), definition.begin(), definition.end());
  expected.push_back(L"Folder.RegisterTaskDefinition " + full_name +
                     L" 6 'SYSTEM' <empty> 5 ''");
  expected.push_back(L"Task.SetSecurityDescriptor D:(A;;GRGX;;;AU) 0");
  EXPECT_EQ(expected, log_);
}

TEST_F(TaskSchedulerV2Test, RunOnceTaskIsRegisteredThenDeleted) {
  TaskInfo info = UpdateTaskInfo();
  info.trigger_kind = TaskInfo::kTriggerOnce;
  info.max_run_seconds = 0;
  ASSERT_TRUE(scheduler_.CreateTask(info));

  const std::wstring full_name = GetFullTaskName(info.name);
  const std::wstring end =
      FormatTaskTime(FixedNow() + base::TimeDelta::FromSeconds(30));
  auto position = [&](const std::wstring& call) {
    for (size_t i = 0; i < log_.size(); ++i) {
      if (log_[i] == call)
        return static_cast<int>(i);
    }
    return -1;
  };
  EXPECT_NE(-1, position(L"Settings.ExecutionTimeLimit=PT0S"));
  EXPECT_LT(position(L"Settings.StartWhenAvailable=true"),
            position(L"Settings.DeleteExpiredTaskAfter=PT0S"));
  EXPECT_NE(-1, position(L"Triggers.Create 7"));
  EXPECT_NE(-1, position(L"Trigger.Id=Run once"));
  EXPECT_NE(-1, position(L"Trigger.EndBoundary=" + end));
  // No start boundary, no logon trigger.
  for (const std::wstring& call : log_) {
    EXPECT_NE(0u, call.find(L"Trigger.StartBoundary=")) << call;
    EXPECT_NE(L"Triggers.Create 9", call);
  }
  ASSERT_GE(log_.size(), 2u);
  EXPECT_EQ(0u, log_[log_.size() - 2].find(L"Folder.RegisterTaskDefinition " +
                                           full_name + L" 6"));
  EXPECT_EQ(L"Folder.DeleteTask " + full_name + L" 0", log_.back());
  EXPECT_FALSE(Registered(full_name));
}

TEST_F(TaskSchedulerV2Test, NoMainTriggerGivesOnlyTheLogonTrigger) {
  TaskInfo info = UpdateTaskInfo();
  info.trigger_kind = TaskInfo::kTriggerNone;
  ASSERT_TRUE(scheduler_.CreateTask(info));
  const auto& triggers = service_->last_definition->triggers->triggers;
  ASSERT_EQ(1u, triggers.size());
  TASK_TRIGGER_TYPE2 type;
  triggers[0]->get_Type(&type);
  EXPECT_EQ(TASK_TRIGGER_LOGON, type);
}

TEST_F(TaskSchedulerV2Test, CreatingAgainReplacesTheTask) {
  const TaskInfo info = UpdateTaskInfo();
  ASSERT_TRUE(scheduler_.CreateTask(info));
  ASSERT_TRUE(scheduler_.CreateTask(info));
  const std::wstring full_name = GetFullTaskName(info.name);
  int registered = 0;
  for (const auto& task : folder_->tasks)
    registered += task->name == full_name;
  EXPECT_EQ(1, registered);
  EXPECT_EQ(2, std::count(log_.begin(), log_.end(),
                          L"Folder.DeleteTask " + full_name + L" 0"));
}

TEST_F(TaskSchedulerV2Test, FailedUserLookupKeepsTheExistingTask) {
  const TaskInfo info = UpdateTaskInfo();
  ASSERT_TRUE(scheduler_.CreateTask(info));
  log_.clear();
  SetTaskAccountNameFunctionForTesting(&FailingAccountName);
  EXPECT_FALSE(scheduler_.CreateTask(info));
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(Registered(GetFullTaskName(info.name)));
}

TEST_F(TaskSchedulerV2Test, FailedRegistrationIsLoggedAndLeavesNoTask) {
  const TaskInfo info = UpdateTaskInfo();
  AddTask(GetFullTaskName(info.name), TASK_ACTION_EXEC, program_.native());
  folder_->register_result = E_ACCESSDENIED;
  base::TestLogCapture capture;
  EXPECT_FALSE(scheduler_.CreateTask(info));
  EXPECT_TRUE(capture.Contains(logging::LOG_ERROR,
                               "Failed task registration: -2147024891"));
  EXPECT_FALSE(Registered(GetFullTaskName(info.name)));
}

TEST_F(TaskSchedulerV2Test, FailedSddlIsLoggedButTheTaskStays) {
  TaskInfo info = UpdateTaskInfo();
  info.all_users = TRUE;
  folder_->sddl_result = E_FAIL;
  base::TestLogCapture capture;
  EXPECT_TRUE(scheduler_.CreateTask(info));
  EXPECT_TRUE(
      capture.Contains(logging::LOG_ERROR, "Failed setting SDDL: -2147467259"));
  EXPECT_TRUE(Registered(GetFullTaskName(info.name)));
}

// Wine's service, for one, answers E_NOTIMPL for trigger ids and end
// boundaries, logon, boot and registration triggers and the run level.
TEST_F(TaskSchedulerV2Test, FailingTriggerOrRunLevelFailsTheTask) {
  const TaskInfo info = UpdateTaskInfo();
  const std::wstring failing_calls[] = {L"Triggers.Create 2",
                                        L"Triggers.Create 9", L"Trigger.Id",
                                        L"Trigger.Delay"};
  // A service that does not implement a step cannot hold the task as
  // described either: no half task is registered.
  for (HRESULT failure : {E_INVALIDARG, E_NOTIMPL}) {
    for (const std::wstring& call : failing_calls) {
      test::FakeCallResults() = {{call, failure}};
      EXPECT_FALSE(scheduler_.CreateTask(info)) << call;
      EXPECT_FALSE(Registered(GetFullTaskName(info.name))) << call;
    }
  }
  if (IsUserAdmin()) {
    test::FakeCallResults() = {{L"Principal.RunLevel", E_ACCESSDENIED}};
    EXPECT_FALSE(scheduler_.CreateTask(info));
  }
}

TEST_F(TaskSchedulerV2Test, DeletingAnAbsentTaskReportsNothing) {
  base::TestLogCapture capture;
  scheduler_.DeleteTask(L"absent");
  EXPECT_EQ(std::vector<std::wstring>(
                {L"Folder.DeleteTask " + GetFullTaskName(L"absent") + L" 0"}),
            log_);
  EXPECT_TRUE(capture.messages().empty());
}

TEST_F(TaskSchedulerV2Test, OrphanCleanupRemovesOnlyOurTasksWithoutProgram) {
  const std::wstring gone = (temp_dir_.GetPath() / L"gone.exe").native();
  AddTask(GetFullTaskName(L"present"), TASK_ACTION_EXEC, program_.native());
  AddTask(GetFullTaskName(L"gone"), TASK_ACTION_EXEC, gone);
  AddTask(L"ULVENA SCHEDULED tavrin upper", TASK_ACTION_EXEC, gone);
  AddTask(GetFullTaskName(L"disabled"), TASK_ACTION_EXEC, gone)->enabled =
      false;
  AddTask(GetFullTaskName(L"mail"), TASK_ACTION_SEND_EMAIL, gone);
  ComPtr<test::FakeRegisteredTask> two =
      AddTask(GetFullTaskName(L"two actions"), TASK_ACTION_EXEC, gone);
  static_cast<test::FakeTaskDefinition*>(two->definition.Get())
      ->actions->Add(TASK_ACTION_EXEC, gone);
  AddTask(L"Other scheduled updater", TASK_ACTION_EXEC, gone);
  AddTask(L" scheduled tavrin bare", TASK_ACTION_EXEC, gone);
  // A folder is there: the program path exists.
  AddTask(GetFullTaskName(L"folder"), TASK_ACTION_EXEC,
          temp_dir_.GetPath().native());

  scheduler_.DeleteOrphanedTasks();

  EXPECT_TRUE(Registered(GetFullTaskName(L"present")));
  EXPECT_FALSE(Registered(GetFullTaskName(L"gone")));
  EXPECT_FALSE(Registered(L"ULVENA SCHEDULED tavrin upper"));
  EXPECT_TRUE(Registered(GetFullTaskName(L"disabled")));
  EXPECT_TRUE(Registered(GetFullTaskName(L"mail")));
  EXPECT_TRUE(Registered(GetFullTaskName(L"two actions")));
  EXPECT_TRUE(Registered(L"Other scheduled updater"));
  EXPECT_TRUE(Registered(L" scheduled tavrin bare"));
  EXPECT_TRUE(Registered(GetFullTaskName(L"folder")));
}

TEST_F(TaskSchedulerV2Test, DailyIntervalIsRegisteredAgainOnlyWhenItDiffers) {
  ASSERT_TRUE(scheduler_.CreateTask(UpdateTaskInfo()));
  const std::wstring name = UpdateTaskInfo().name;
  const std::wstring full_name = GetFullTaskName(name);
  const auto& triggers = service_->last_definition->triggers->triggers;
  ASSERT_EQ(2u, triggers.size());

  log_.clear();
  scheduler_.SetDailyInterval(name, 1);
  EXPECT_TRUE(log_.empty());

  scheduler_.SetDailyInterval(name, 3);
  EXPECT_EQ(
      std::vector<std::wstring>({L"Trigger.DaysInterval=3",
                                 L"Folder.RegisterTaskDefinition " + full_name +
                                     L" 4 <empty> <empty> 0 ''"}),
      log_);
  EXPECT_EQ(3, triggers[0]->days_interval);
}

TEST_F(TaskSchedulerV2Test, EnableRunStateAndLastRunTime) {
  ComPtr<test::FakeRegisteredTask> task =
      AddTask(GetFullTaskName(L"t"), TASK_ACTION_EXEC, program_.native());

  scheduler_.SetTaskEnabled(L"t", false);
  EXPECT_FALSE(task->enabled);
  scheduler_.SetTaskEnabled(L"t", true);
  EXPECT_TRUE(task->enabled);

  log_.clear();
  EXPECT_TRUE(scheduler_.RunTask(L"t", {}));
  EXPECT_TRUE(scheduler_.RunTask(L"t", {L"first", L"second arg"}));
  EXPECT_EQ(std::vector<std::wstring>(
                {L"Task.Run <empty>",
                 L"Task.Run dims=1 lower=0 'first' 'second arg'"}),
            log_);
  task->run_result = E_NOTIMPL;
  EXPECT_FALSE(scheduler_.RunTask(L"t", {}));

  const struct {
    TASK_STATE state;
    TaskState expected;
  } states[] = {
      {TASK_STATE_DISABLED, TaskState::kDisabled},
      {TASK_STATE_QUEUED, TaskState::kReady},
      {TASK_STATE_READY, TaskState::kReady},
      {TASK_STATE_RUNNING, TaskState::kRunning},
      {TASK_STATE_UNKNOWN, TaskState::kUnknown},
  };
  for (const auto& entry : states) {
    task->state = entry.state;
    EXPECT_EQ(entry.expected, scheduler_.GetTaskState(L"t")) << entry.state;
  }
  task->state_result = E_FAIL;
  EXPECT_EQ(TaskState::kUnknown, scheduler_.GetTaskState(L"t"));
  EXPECT_EQ(TaskState::kNotFound, scheduler_.GetTaskState(L"absent"));

  // Never ran: the null time, not 1899, whether the service says so or
  // only answers the date 0.
  EXPECT_TRUE(scheduler_.GetLastRunTime(L"t").is_null());
  task->last_run_result = SCHED_S_TASK_HAS_NOT_RUN;
  EXPECT_TRUE(scheduler_.GetLastRunTime(L"t").is_null());
  task->last_run_result = S_OK;
  SYSTEMTIME local = {2016, 10, 4, 13, 8, 3, 5, 0};
  DATE date = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(&local, &date));
  task->last_run_time = date;
  EXPECT_EQ(LocalSystemTimeToTime(local), scheduler_.GetLastRunTime(L"t"));
  EXPECT_FALSE(scheduler_.GetLastRunTime(L"t").is_null());
  EXPECT_TRUE(scheduler_.GetLastRunTime(L"absent").is_null());
}

TEST(TaskSchedulerV2InitTest, OperationsBeforeInitFailQuietly) {
  TaskSchedulerV2 scheduler;
  base::CommandLine command_line(base::FilePath(L"C:\\launcher.exe"));
  EXPECT_FALSE(scheduler.CreateTask(TaskInfo(command_line)));
  EXPECT_EQ(TaskState::kNotFound, scheduler.GetTaskState(L"x"));
  EXPECT_FALSE(scheduler.RunTask(L"x", {}));
  EXPECT_TRUE(scheduler.GetLastRunTime(L"x").is_null());
}

// The real Task Scheduler 2.0 service with the installer's own update task,
// for what Wine keeps of it: its registration under the full name, its
// replacement and its deletion. Wine implements neither the logon trigger
// nor trigger ids nor the run level, and cannot count a folder's tasks, so
// what is registered there and the orphan cleanup are shown on the fake
// above.
class RealTaskSchedulerV2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(scheduler_.Init());
    if (!test::TaskServiceTakesTriggerIds()) {
      GTEST_SKIP() << "this Task Scheduler 2.0 (Wine's) does not implement "
                      "trigger ids, so the update task cannot be registered "
                      "on it; what is registered is shown on the fake above";
    }
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    program_ = temp_dir_.GetPath() / L"launcher.exe";
    ASSERT_TRUE(base::WriteFile(program_, "MZ"));
  }

  void TearDown() override {
    SetTaskAccountNameFunctionForTesting(nullptr);
    for (const std::wstring& name : created_)
      scheduler_.DeleteTask(name);
  }

  TaskInfo UpdateTaskInfo(const std::wstring& app_id) {
    base::CommandLine command_line(program_);
    command_line.AppendSwitch("scheduledautoupdate");
    command_line.AppendArgNative(L"$(Arg0)");
    TaskInfo info(command_line);
    info.name = L"tavrin Autoupdate " + app_id;
    info.description = L"Keeps Ulvena tavrin up to date";
    info.max_run_seconds = 3600;
    info.trigger_kind = TaskInfo::kTriggerDaily;
    info.add_logon_trigger = true;
    info.run_only_if_network = true;
    created_.push_back(info.name);
    return info;
  }

  base::win::ScopedComInitializer com_;
  TaskSchedulerV2 scheduler_;
  base::ScopedTempDir temp_dir_;
  base::FilePath program_;
  std::vector<std::wstring> created_;
};

// The real service answers for a task it does not have, and deleting one is
// quiet, on every system.
TEST(RealTaskSchedulerV2LookupTest, AbsentTaskIsNotFoundAndDeletesQuietly) {
  base::win::ScopedComInitializer com;
  ASSERT_TRUE(com.Succeeded());
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Init());
  const std::wstring name = L"tavrin Autoupdate 1000000001";
  EXPECT_EQ(TaskState::kNotFound, scheduler.GetTaskState(name));
  scheduler.DeleteTask(name);
  EXPECT_EQ(TaskState::kNotFound, scheduler.GetTaskState(name));
}

TEST_F(RealTaskSchedulerV2Test, UpdateTaskIsCreatedReplacedFoundAndDeleted) {
  const TaskInfo info = UpdateTaskInfo(L"1476345785");
  ASSERT_EQ(TaskState::kNotFound, scheduler_.GetTaskState(info.name));
  ASSERT_TRUE(scheduler_.CreateTask(info));
  EXPECT_NE(TaskState::kNotFound, scheduler_.GetTaskState(info.name));

  ASSERT_TRUE(scheduler_.CreateTask(info));
  EXPECT_NE(TaskState::kNotFound, scheduler_.GetTaskState(info.name));

  // Its program is there: no orphan.
  scheduler_.DeleteOrphanedTasks();
  EXPECT_NE(TaskState::kNotFound, scheduler_.GetTaskState(info.name));

  scheduler_.DeleteTask(info.name);
  EXPECT_EQ(TaskState::kNotFound, scheduler_.GetTaskState(info.name));
  scheduler_.DeleteTask(info.name);
  EXPECT_EQ(TaskState::kNotFound, scheduler_.GetTaskState(info.name));
}

TEST_F(RealTaskSchedulerV2Test, FailedUserLookupKeepsTheRegisteredTask) {
  const TaskInfo info = UpdateTaskInfo(L"1476345786");
  ASSERT_TRUE(scheduler_.CreateTask(info));
  SetTaskAccountNameFunctionForTesting(&FailingAccountName);
  EXPECT_FALSE(scheduler_.CreateTask(info));
  SetTaskAccountNameFunctionForTesting(nullptr);
  EXPECT_NE(TaskState::kNotFound, scheduler_.GetTaskState(info.name));
}

}  // namespace
}  // namespace installer
