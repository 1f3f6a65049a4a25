#include "desktop/windows/installer/service/task_scheduler_v2.h"

#include <oleauto.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/installer/service/access_rights.h"
#include "desktop/windows/installer/service/task_account.h"
#include "desktop/windows/installer/service/task_time.h"
#include "desktop/windows/installer/service/task_trigger_interfaces.h"

using Microsoft::WRL::ComPtr;

namespace installer {

namespace {

// CLSID_TaskScheduler, the Task Scheduler 2.0 service object.
constexpr CLSID kTaskServiceClsid = {
    0x0f87369f,
    0xa4e5,
    0x4cfc,
    {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};

VARIANT_BOOL ToVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

// The BSTR arguments live only for the call they are made for.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : bstr_(text) {}
  operator BSTR() const { return bstr_.Get(); }

 private:
  base::win::ScopedBstr bstr_;
};

bool ApplyTrigger(const ScheduledTaskTrigger& spec,
                  ITriggerCollection* triggers) {
  ComPtr<ITrigger> trigger;
  if (FAILED(triggers->Create(spec.type, trigger.GetAddressOf())) ||
      FAILED(trigger->put_Id(Bstr(spec.id)))) {
    return false;
  }
  if (!spec.start_boundary.empty() &&
      FAILED(trigger->put_StartBoundary(Bstr(spec.start_boundary)))) {
    return false;
  }
  if (!spec.end_boundary.empty() &&
      FAILED(trigger->put_EndBoundary(Bstr(spec.end_boundary)))) {
    return false;
  }
  switch (spec.type) {
    case TASK_TRIGGER_DAILY: {
      ComPtr<IDailyTrigger> daily;
      return SUCCEEDED(trigger.As(&daily)) &&
             SUCCEEDED(daily->put_DaysInterval(spec.days_interval));
    }
    case TASK_TRIGGER_LOGON: {
      ComPtr<ILogonTrigger> logon;
      return SUCCEEDED(trigger.As(&logon)) &&
             SUCCEEDED(logon->put_UserId(Bstr(spec.user_id))) &&
             SUCCEEDED(logon->put_Delay(Bstr(spec.delay)));
    }
    case TASK_TRIGGER_BOOT: {
      ComPtr<IBootTrigger> boot;
      return SUCCEEDED(trigger.As(&boot)) &&
             SUCCEEDED(boot->put_Delay(Bstr(spec.delay)));
    }
    default:
      return true;
  }
}

bool ApplySettings(const ScheduledTaskDefinition& definition,
                   ITaskSettings* settings) {
  if (FAILED(settings->put_ExecutionTimeLimit(
          Bstr(definition.execution_time_limit))) ||
      FAILED(settings->put_MultipleInstances(definition.multiple_instances)) ||
      FAILED(settings->put_RunOnlyIfNetworkAvailable(
          ToVariantBool(definition.run_only_if_network_available))) ||
      FAILED(settings->put_StopIfGoingOnBatteries(
          ToVariantBool(definition.stop_if_going_on_batteries))) ||
      FAILED(settings->put_DisallowStartIfOnBatteries(
          ToVariantBool(definition.disallow_start_if_on_batteries))) ||
      FAILED(settings->put_StartWhenAvailable(
          ToVariantBool(definition.start_when_available)))) {
    return false;
  }
  return definition.delete_expired_task_after.empty() ||
         SUCCEEDED(settings->put_DeleteExpiredTaskAfter(
             Bstr(definition.delete_expired_task_after)));
}

// Whether |task| is an enabled task with one exec action whose program is
// gone.
bool IsOrphaned(IRegisteredTask* task) {
  VARIANT_BOOL enabled = VARIANT_FALSE;
  ComPtr<ITaskDefinition> definition;
  ComPtr<IActionCollection> actions;
  LONG count = 0;
  if (FAILED(task->get_Enabled(&enabled)) || enabled == VARIANT_FALSE ||
      FAILED(task->get_Definition(definition.GetAddressOf())) ||
      FAILED(definition->get_Actions(actions.GetAddressOf())) ||
      FAILED(actions->get_Count(&count)) || count != 1) {
    return false;
  }
  ComPtr<IAction> action;
  TASK_ACTION_TYPE type;
  if (FAILED(actions->get_Item(1, action.GetAddressOf())) ||
      FAILED(action->get_Type(&type)) || type != TASK_ACTION_EXEC) {
    return false;
  }
  ComPtr<IExecAction> exec;
  base::win::ScopedBstr path;
  if (FAILED(action.As(&exec)) || FAILED(exec->get_Path(path.Receive())))
    return false;
  return !base::PathExists(base::FilePath(path.ToWide()));
}

}  // namespace

TaskSchedulerV2::TaskSchedulerV2() = default;

TaskSchedulerV2::~TaskSchedulerV2() {
  root_folder_.Reset();
  service_.Reset();
}

bool TaskSchedulerV2::Init() {
  ComPtr<ITaskService> service;
  if (FAILED(CoCreateInstance(kTaskServiceClsid, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(service.GetAddressOf())))) {
    return false;
  }
  base::win::ScopedVariant server, user, domain, password;
  if (FAILED(service->Connect(server.Get(), user.Get(), domain.Get(),
                              password.Get()))) {
    return false;
  }
  ComPtr<ITaskFolder> root;
  if (FAILED(service->GetFolder(Bstr(L"\\"), root.GetAddressOf())))
    return false;
  service_ = service;
  root_folder_ = root;
  return true;
}

bool TaskSchedulerV2::CreateTask(const TaskInfo& info) {
  if (!root_folder_)
    return false;
  std::wstring user_name;
  if (!GetTaskAccountName(&user_name))
    return false;
  const ScheduledTaskDefinition definition = BuildScheduledTaskDefinition(
      info, user_name, IsUserAdmin(), base::Time::Now());

  root_folder_->DeleteTask(Bstr(definition.full_name), 0);

  ComPtr<ITaskDefinition> task;
  if (!service_ || FAILED(service_->NewTask(0, task.GetAddressOf())) ||
      !ApplyDefinition(definition, task.Get())) {
    return false;
  }

  base::win::ScopedVariant user(definition.user);
  base::win::ScopedVariant password;
  base::win::ScopedVariant sddl(std::wstring(L""));
  ComPtr<IRegisteredTask> registered;
  HRESULT hr = root_folder_->RegisterTaskDefinition(
      Bstr(definition.full_name), task.Get(), TASK_CREATE_OR_UPDATE, user.Get(),
      password.Get(), definition.logon_type, sddl.Get(),
      registered.GetAddressOf());
  if (FAILED(hr)) {
    LOG(ERROR) << "Failed task registration: " << static_cast<long>(hr);
    return false;
  }

  if (!definition.security_descriptor.empty()) {
    hr = registered->SetSecurityDescriptor(Bstr(definition.security_descriptor),
                                           0);
    if (FAILED(hr))
      LOG(ERROR) << "Failed setting SDDL: " << static_cast<long>(hr);
  }

  if (definition.delete_after_registration)
    DeleteTask(info.name);
  return true;
}

bool TaskSchedulerV2::ApplyDefinition(const ScheduledTaskDefinition& definition,
                                      ITaskDefinition* task) {
  ComPtr<IRegistrationInfo> registration;
  if (FAILED(task->get_RegistrationInfo(registration.GetAddressOf())) ||
      FAILED(registration->put_Author(Bstr(definition.author))) ||
      FAILED(registration->put_Description(Bstr(definition.description)))) {
    return false;
  }

  ComPtr<ITaskSettings> settings;
  if (FAILED(task->get_Settings(settings.GetAddressOf())) ||
      !ApplySettings(definition, settings.Get())) {
    return false;
  }

  ComPtr<ITriggerCollection> triggers;
  if (FAILED(task->get_Triggers(triggers.GetAddressOf())))
    return false;
  for (const ScheduledTaskTrigger& trigger : definition.triggers) {
    if (!ApplyTrigger(trigger, triggers.Get()))
      return false;
  }

  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  if (FAILED(task->get_Actions(actions.GetAddressOf())) ||
      FAILED(actions->Create(TASK_ACTION_EXEC, action.GetAddressOf())) ||
      FAILED(action.As(&exec)) ||
      FAILED(exec->put_Path(Bstr(definition.exec_path))) ||
      FAILED(exec->put_Arguments(Bstr(definition.exec_arguments)))) {
    return false;
  }

  if (definition.run_level_highest) {
    ComPtr<IPrincipal> principal;
    if (FAILED(task->get_Principal(principal.GetAddressOf())) ||
        FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST))) {
      return false;
    }
  }
  return true;
}

void TaskSchedulerV2::DeleteOrphanedTasks() {
  if (!root_folder_)
    return;
  ComPtr<IRegisteredTaskCollection> tasks;
  LONG count = 0;
  if (FAILED(root_folder_->GetTasks(0, tasks.GetAddressOf())) ||
      FAILED(tasks->get_Count(&count))) {
    return;
  }
  std::vector<std::wstring> orphans;
  for (LONG i = 1; i <= count; ++i) {
    base::win::ScopedVariant index(i);
    ComPtr<IRegisteredTask> task;
    base::win::ScopedBstr name;
    if (FAILED(tasks->get_Item(index.Get(), task.GetAddressOf())) ||
        FAILED(task->get_Name(name.Receive()))) {
      continue;
    }
    if (IsTaskNameOfThisService(name.ToWide()) && IsOrphaned(task.Get()))
      orphans.push_back(name.ToWide());
  }
  for (const std::wstring& name : orphans)
    root_folder_->DeleteTask(Bstr(name), 0);
}

void TaskSchedulerV2::DeleteTask(const std::wstring& name) {
  if (root_folder_)
    root_folder_->DeleteTask(Bstr(GetFullTaskName(name)), 0);
}

void TaskSchedulerV2::SetDailyInterval(const std::wstring& name, int days) {
  ComPtr<IRegisteredTask> task;
  ComPtr<ITaskDefinition> definition;
  ComPtr<ITriggerCollection> triggers;
  LONG count = 0;
  if (!GetTask(name, &task) ||
      FAILED(task->get_Definition(definition.GetAddressOf())) ||
      FAILED(definition->get_Triggers(triggers.GetAddressOf())) ||
      FAILED(triggers->get_Count(&count))) {
    return;
  }
  for (LONG i = 1; i <= count; ++i) {
    ComPtr<ITrigger> trigger;
    TASK_TRIGGER_TYPE2 type;
    if (FAILED(triggers->get_Item(i, trigger.GetAddressOf())) ||
        FAILED(trigger->get_Type(&type))) {
      return;
    }
    if (type != TASK_TRIGGER_DAILY)
      continue;
    ComPtr<IDailyTrigger> daily;
    short current = 0;
    if (FAILED(trigger.As(&daily)) ||
        FAILED(daily->get_DaysInterval(&current)) || current == days ||
        FAILED(daily->put_DaysInterval(static_cast<short>(days)))) {
      return;
    }
    base::win::ScopedVariant user, password;
    base::win::ScopedVariant sddl(std::wstring(L""));
    ComPtr<IRegisteredTask> registered;
    root_folder_->RegisterTaskDefinition(
        Bstr(GetFullTaskName(name)), definition.Get(), TASK_UPDATE, user.Get(),
        password.Get(), TASK_LOGON_NONE, sddl.Get(), registered.GetAddressOf());
    return;
  }
}

void TaskSchedulerV2::SetTaskEnabled(const std::wstring& name, bool enabled) {
  ComPtr<IRegisteredTask> task;
  if (GetTask(name, &task))
    task->put_Enabled(ToVariantBool(enabled));
}

bool TaskSchedulerV2::RunTask(const std::wstring& name,
                              const std::vector<std::wstring>& args) {
  ComPtr<IRegisteredTask> task;
  if (!GetTask(name, &task))
    return false;
  base::win::ScopedVariant params;
  if (!args.empty()) {
    SAFEARRAY* array =
        SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(args.size()));
    if (!array)
      return false;
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&value) = array;
    // From here the variant owns the array and frees it with its strings.
    params.Reset(value);
    for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i) {
      base::win::ScopedBstr arg(args[i]);
      if (!arg.Get() || FAILED(SafeArrayPutElement(array, &i, arg.Get())))
        return false;
    }
  }
  ComPtr<IRunningTask> running;
  return SUCCEEDED(task->Run(params.Get(), running.GetAddressOf()));
}

TaskState TaskSchedulerV2::GetTaskState(const std::wstring& name) {
  ComPtr<IRegisteredTask> task;
  if (!GetTask(name, &task))
    return TaskState::kNotFound;
  TASK_STATE state;
  if (FAILED(task->get_State(&state)))
    return TaskState::kUnknown;
  switch (state) {
    case TASK_STATE_DISABLED:
      return TaskState::kDisabled;
    case TASK_STATE_QUEUED:
    case TASK_STATE_READY:
      return TaskState::kReady;
    case TASK_STATE_RUNNING:
      return TaskState::kRunning;
    default:
      return TaskState::kUnknown;
  }
}

base::Time TaskSchedulerV2::GetLastRunTime(const std::wstring& name) {
  ComPtr<IRegisteredTask> task;
  DATE date = 0;
  if (!GetTask(name, &task))
    return base::Time();
  // A task that never ran answers with a success code and no date, which
  // would otherwise read as the last days of 1899.
  const HRESULT hr = task->get_LastRunTime(&date);
  if (FAILED(hr) || hr == SCHED_S_TASK_HAS_NOT_RUN || date == 0)
    return base::Time();
  SYSTEMTIME local;
  if (!VariantTimeToSystemTime(date, &local))
    return base::Time();
  local.wMilliseconds = 0;
  return LocalSystemTimeToTime(local);
}

void TaskSchedulerV2::SetServiceForTesting(ComPtr<ITaskService> service,
                                           ComPtr<ITaskFolder> root_folder) {
  service_ = service;
  root_folder_ = root_folder;
}

bool TaskSchedulerV2::GetTask(const std::wstring& name,
                              ComPtr<IRegisteredTask>* task) {
  return root_folder_ &&
         SUCCEEDED(root_folder_->GetTask(Bstr(GetFullTaskName(name)),
                                         task->ReleaseAndGetAddressOf()));
}

}  // namespace installer
