#include "desktop/windows/installer/service/task_scheduler_v1.h"

// This file defines the Task Scheduler 1.0 GUIDs.
#include <initguid.h>
#include <mstask.h>

#include <objbase.h>

#include "base/strings/string_util.h"
#include "desktop/windows/installer/service/job_file_access.h"
#include "desktop/windows/installer/service/task_account.h"
#include "desktop/windows/installer/service/task_time.h"

using Microsoft::WRL::ComPtr;

namespace installer {

namespace {

// The day interval that a new trigger record carries, whatever its type.
constexpr WORD kDailyInterval = 1;

bool SaveWorkItem(ITask* task) {
  ComPtr<IPersistFile> file;
  return SUCCEEDED(task->QueryInterface(
             IID_IPersistFile,
             reinterpret_cast<void**>(file.GetAddressOf()))) &&
         SUCCEEDED(file->Save(nullptr, TRUE));
}

// The disabled flag is where the work item keeps that state; not every
// service derives a disabled status from it.
bool HasDisabledFlag(ITask* task) {
  DWORD flags = 0;
  return SUCCEEDED(task->GetFlags(&flags)) && (flags & TASK_FLAG_DISABLED);
}

// The scheduler service reads a job file whenever it changes, and a job file
// being read cannot be deleted; such a read takes milliseconds, so the
// delete is tried again for up to a second before it is given up.
HRESULT DeleteWorkItem(ITaskScheduler* scheduler, const std::wstring& name) {
  constexpr int kAttempts = 20;
  constexpr DWORD kRetryDelayMs = 50;
  HRESULT hr = scheduler->Delete(name.c_str());
  for (int i = 1;
       i < kAttempts && hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
       ++i) {
    Sleep(kRetryDelayMs);
    hr = scheduler->Delete(name.c_str());
  }
  return hr;
}

bool AddTrigger(ITask* task, const TASK_TRIGGER& record) {
  WORD index = 0;
  ComPtr<ITaskTrigger> trigger;
  TASK_TRIGGER copy = record;
  return SUCCEEDED(task->CreateTrigger(&index, trigger.GetAddressOf())) &&
         SUCCEEDED(trigger->SetTrigger(&copy));
}

// Frees what IEnumWorkItems::Next hands out.
class EnumeratedNames {
 public:
  EnumeratedNames() = default;
  EnumeratedNames(const EnumeratedNames&) = delete;
  EnumeratedNames& operator=(const EnumeratedNames&) = delete;
  ~EnumeratedNames() { Reset(); }

  LPWSTR** Receive() {
    Reset();
    return &names_;
  }
  const wchar_t* first() const { return names_ ? names_[0] : nullptr; }

  void Reset() {
    if (!names_)
      return;
    CoTaskMemFree(names_[0]);
    CoTaskMemFree(names_);
    names_ = nullptr;
  }

 private:
  LPWSTR* names_ = nullptr;
};

// The enumeration names work items by their job files ("name.job"), while
// Activate and Delete take the name alone and add the extension themselves.
std::wstring WorkItemName(const wchar_t* enumerated) {
  std::wstring name = enumerated ? enumerated : L"";
  constexpr wchar_t kJobExtension[] = L".job";
  if (base::EndsWith(name, kJobExtension,
                     base::CompareCase::INSENSITIVE_ASCII)) {
    name.resize(name.size() - (sizeof(kJobExtension) / sizeof(wchar_t) - 1));
  }
  return name;
}

}  // namespace

TaskSchedulerV1::TaskSchedulerV1() = default;

TaskSchedulerV1::~TaskSchedulerV1() = default;

bool TaskSchedulerV1::Init() {
  ComPtr<ITaskScheduler> scheduler;
  if (FAILED(CoCreateInstance(
          CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
          IID_ITaskScheduler,
          reinterpret_cast<void**>(scheduler.GetAddressOf())))) {
    return false;
  }
  scheduler_ = scheduler;
  return true;
}

bool TaskSchedulerV1::CreateTask(const TaskInfo& info) {
  if (!scheduler_)
    return false;
  std::wstring user_name;
  if (!GetTaskAccountName(&user_name))
    return false;

  const std::wstring full_name = GetFullTaskName(info.name);
  DeleteWorkItem(scheduler_.Get(), full_name);

  ComPtr<ITask> task;
  if (FAILED(scheduler_->NewWorkItem(
          full_name.c_str(), CLSID_CTask, IID_ITask,
          reinterpret_cast<IUnknown**>(task.GetAddressOf())))) {
    return false;
  }

  const bool run_once = info.trigger_kind == TaskInfo::kTriggerOnce;
  // An empty account name is the system account.
  const std::wstring account = info.all_users ? std::wstring() : user_name;
  const std::wstring program = info.command_line.GetProgram().native();
  const std::wstring arguments = info.command_line.GetArgumentsString();
  DWORD flags = TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
  if (run_once)
    flags |= TASK_FLAG_DELETE_WHEN_DONE;
  const DWORD max_run_ms =
      info.max_run_seconds == 0
          ? INFINITE
          : static_cast<DWORD>(info.max_run_seconds) * 1000;
  if (FAILED(task->SetAccountInformation(account.c_str(), nullptr)) ||
      FAILED(task->SetApplicationName(program.c_str())) ||
      FAILED(task->SetComment(info.description.c_str())) ||
      FAILED(task->SetCreator(user_name.c_str())) ||
      FAILED(task->SetFlags(flags)) ||
      FAILED(task->SetMaxRunTime(max_run_ms)) ||
      FAILED(task->SetParameters(arguments.c_str()))) {
    return false;
  }

  SYSTEMTIME now;
  GetLocalTime(&now);
  TASK_TRIGGER record = {};
  record.cbTriggerSize = sizeof(TASK_TRIGGER);
  record.wBeginYear = now.wYear;
  record.wBeginMonth = now.wMonth;
  record.wBeginDay = now.wDay;
  record.wStartHour = now.wHour;
  record.wStartMinute = now.wMinute;
  record.Type.Daily.DaysInterval = kDailyInterval;
  if (run_once || info.trigger_kind == TaskInfo::kTriggerDaily) {
    record.TriggerType =
        run_once ? TASK_TIME_TRIGGER_ONCE : TASK_TIME_TRIGGER_DAILY;
    if (!AddTrigger(task.Get(), record))
      return false;
  }

  if (info.add_logon_trigger && !run_once) {
    // There is no boot trigger here: an all-users task starts at the logon
    // of any user.
    TASK_TRIGGER logon = record;
    logon.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON;
    logon.Type.Daily.DaysInterval = 0;
    if (!AddTrigger(task.Get(), logon))
      return false;
  }

  ComPtr<IPersistFile> file;
  if (FAILED(task->QueryInterface(
          IID_IPersistFile, reinterpret_cast<void**>(file.GetAddressOf()))) ||
      FAILED(file->Save(nullptr, TRUE))) {
    return false;
  }

  if (info.all_users && !run_once) {
    LPOLESTR job_file = nullptr;
    if (FAILED(file->GetCurFile(&job_file)))
      return false;
    GrantJobFileAccess(job_file);
    CoTaskMemFree(job_file);
  }

  // The delete-when-done flag removes the job after this run.
  if (run_once)
    task->Run();
  return true;
}

void TaskSchedulerV1::DeleteOrphanedTasks() {
  if (!scheduler_)
    return;
  std::vector<std::wstring> orphans;
  {
    ComPtr<IEnumWorkItems> items;
    if (FAILED(scheduler_->Enum(items.GetAddressOf())))
      return;
    EnumeratedNames names;
    ULONG fetched = 0;
    while (SUCCEEDED(items->Next(1, names.Receive(), &fetched)) &&
           fetched == 1) {
      const std::wstring name = WorkItemName(names.first());
      if (!IsTaskNameOfThisService(name))
        continue;
      ComPtr<ITask> task;
      HRESULT status = S_OK;
      LPWSTR application = nullptr;
      if (!OpenTask(name, &task) || FAILED(task->GetStatus(&status)) ||
          status == SCHED_S_TASK_DISABLED || HasDisabledFlag(task.Get()) ||
          FAILED(task->GetApplicationName(&application))) {
        continue;
      }
      const bool missing =
          GetFileAttributesW(application) == INVALID_FILE_ATTRIBUTES;
      CoTaskMemFree(application);
      if (missing)
        orphans.push_back(name);
    }
    // An open enumeration can hold a job file open, and a job file in use
    // cannot be deleted: the enumeration ends first.
  }
  for (const std::wstring& name : orphans)
    DeleteWorkItem(scheduler_.Get(), name);
}

void TaskSchedulerV1::DeleteTask(const std::wstring& name) {
  if (scheduler_)
    DeleteWorkItem(scheduler_.Get(), GetFullTaskName(name));
}

void TaskSchedulerV1::SetDailyInterval(const std::wstring& name, int days) {
  ComPtr<ITask> task;
  WORD count = 0;
  if (!OpenTask(GetFullTaskName(name), &task) ||
      FAILED(task->GetTriggerCount(&count))) {
    return;
  }
  for (WORD i = 0; i < count; ++i) {
    ComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER record = {};
    record.cbTriggerSize = sizeof(TASK_TRIGGER);
    if (FAILED(task->GetTrigger(i, trigger.GetAddressOf())) ||
        FAILED(trigger->GetTrigger(&record))) {
      return;
    }
    if (record.TriggerType != TASK_TIME_TRIGGER_DAILY)
      continue;
    if (record.Type.Daily.DaysInterval != days) {
      record.Type.Daily.DaysInterval = static_cast<WORD>(days);
      if (SUCCEEDED(trigger->SetTrigger(&record)))
        SaveWorkItem(task.Get());
    }
    return;
  }
}

void TaskSchedulerV1::SetTaskEnabled(const std::wstring& name, bool enabled) {
  ComPtr<ITask> task;
  DWORD flags = 0;
  if (!OpenTask(GetFullTaskName(name), &task) ||
      FAILED(task->GetFlags(&flags))) {
    return;
  }
  if (enabled)
    flags &= ~static_cast<DWORD>(TASK_FLAG_DISABLED);
  else
    flags |= TASK_FLAG_DISABLED;
  if (SUCCEEDED(task->SetFlags(flags)))
    SaveWorkItem(task.Get());
}

bool TaskSchedulerV1::RunTask(const std::wstring& name,
                              const std::vector<std::wstring>& args) {
  ComPtr<ITask> task;
  return OpenTask(GetFullTaskName(name), &task) && SUCCEEDED(task->Run());
}

TaskState TaskSchedulerV1::GetTaskState(const std::wstring& name) {
  ComPtr<ITask> task;
  if (!OpenTask(GetFullTaskName(name), &task))
    return TaskState::kNotFound;
  HRESULT status = S_OK;
  if (FAILED(task->GetStatus(&status)))
    return TaskState::kUnknown;
  // A disabled task that still runs is running.
  if (status != SCHED_S_TASK_RUNNING && HasDisabledFlag(task.Get()))
    return TaskState::kDisabled;
  return TaskStateFromJobStatus(status);
}

TaskState TaskStateFromJobStatus(HRESULT status) {
  switch (status) {
    case SCHED_S_TASK_READY:
    case SCHED_S_TASK_HAS_NOT_RUN:
      return TaskState::kReady;
    case SCHED_S_TASK_RUNNING:
      return TaskState::kRunning;
    case SCHED_S_TASK_DISABLED:
      return TaskState::kDisabled;
    case SCHED_S_TASK_NO_MORE_RUNS:
    case SCHED_S_TASK_NOT_SCHEDULED:
    case SCHED_S_TASK_NO_VALID_TRIGGERS:
      return TaskState::kWillNotRun;
    default:
      return TaskState::kUnknown;
  }
}

base::Time TaskSchedulerV1::GetLastRunTime(const std::wstring& name) {
  ComPtr<ITask> task;
  SYSTEMTIME local;
  if (!OpenTask(GetFullTaskName(name), &task))
    return base::Time();
  const HRESULT hr = task->GetMostRecentRunTime(&local);
  if (FAILED(hr) || hr == SCHED_S_TASK_HAS_NOT_RUN)
    return base::Time();
  return LocalSystemTimeToTime(local);
}

bool TaskSchedulerV1::OpenTask(const std::wstring& full_name,
                               ComPtr<ITask>* task) {
  return scheduler_ &&
         SUCCEEDED(scheduler_->Activate(
             full_name.c_str(), IID_ITask,
             reinterpret_cast<IUnknown**>(task->ReleaseAndGetAddressOf())));
}

}  // namespace installer
