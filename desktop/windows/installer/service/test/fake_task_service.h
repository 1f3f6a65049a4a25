#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_FAKE_TASK_SERVICE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_FAKE_TASK_SERVICE_H_

#include <windows.h>

#include <oleauto.h>
#include <taskschd.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "base/win/iunknown_impl.h"
#include "desktop/windows/installer/service/task_trigger_interfaces.h"
#include "desktop/windows/installer/service/test/task_scheduler_stubs.h"

// A recording stand-in for the Task Scheduler 2.0 service: the service
// object, the root folder, registered tasks and the task definition with
// its registration information, settings, triggers, action and principal.
// Every value put into it is appended to one call log in the order of the
// calls, so a test sees what a real service would be told, which Wine's
// service drops. Tasks live in the fake folder by name.

namespace installer {
namespace test {

using CallLog = std::vector<std::wstring>;

inline std::wstring BstrText(BSTR text) {
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

inline std::wstring VariantText(const VARIANT& value) {
  if (V_VT(&value) == VT_EMPTY)
    return L"<empty>";
  if (V_VT(&value) == VT_BSTR)
    return L"'" + BstrText(V_BSTR(&value)) + L"'";
  return L"<vt " + std::to_wstring(V_VT(&value)) + L">";
}

// Results that calls of the fake give instead of S_OK, by the call's name
// as logged without its value ("Triggers.Create 9", "Trigger.Id",
// "Principal.RunLevel"): a service that lacks a property or a trigger kind,
// or fails one. A test that sets any clears them again.
using CallResults = std::map<std::wstring, HRESULT>;
inline CallResults& FakeCallResults() {
  static CallResults results;
  return results;
}
inline HRESULT FakeCallResult(const std::wstring& call) {
  const auto found = FakeCallResults().find(call);
  return found == FakeCallResults().end() ? S_OK : found->second;
}

inline const wchar_t* BoolText(VARIANT_BOOL value) {
  return value == VARIANT_FALSE ? L"false" : L"true";
}

#define TAVRIN_FAKE_QI(Interface)                                    \
  IUNKNOWN_IMPL_FORWARD()                                            \
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override { \
    if (riid == __uuidof(Interface) || riid == IID_IDispatch) {      \
      *object = static_cast<Interface*>(this);                       \
      AddRef();                                                      \
      return S_OK;                                                   \
    }                                                                \
    return IUnknownImpl::QueryInterface(riid, object);               \
  }

class FakeRegistrationInfo : public base::win::IUnknownImpl,
                             public IRegistrationInfoStub {
 public:
  explicit FakeRegistrationInfo(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(IRegistrationInfo)
  STDMETHODIMP put_Author(BSTR author) override {
    log_->push_back(L"Registration.Author=" + BstrText(author));
    return S_OK;
  }
  STDMETHODIMP put_Description(BSTR description) override {
    log_->push_back(L"Registration.Description=" + BstrText(description));
    return S_OK;
  }

 private:
  CallLog* log_;
};

class FakeTaskSettings : public base::win::IUnknownImpl,
                         public ITaskSettingsStub {
 public:
  explicit FakeTaskSettings(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(ITaskSettings)
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override {
    return Put(L"ExecutionTimeLimit", BstrText(limit));
  }
  STDMETHODIMP put_MultipleInstances(TASK_INSTANCES_POLICY policy) override {
    return Put(L"MultipleInstances", std::to_wstring(policy));
  }
  STDMETHODIMP put_RunOnlyIfNetworkAvailable(VARIANT_BOOL value) override {
    return Put(L"RunOnlyIfNetworkAvailable", BoolText(value));
  }
  STDMETHODIMP put_StopIfGoingOnBatteries(VARIANT_BOOL value) override {
    return Put(L"StopIfGoingOnBatteries", BoolText(value));
  }
  STDMETHODIMP put_DisallowStartIfOnBatteries(VARIANT_BOOL value) override {
    return Put(L"DisallowStartIfOnBatteries", BoolText(value));
  }
  STDMETHODIMP put_StartWhenAvailable(VARIANT_BOOL value) override {
    return Put(L"StartWhenAvailable", BoolText(value));
  }
  STDMETHODIMP put_DeleteExpiredTaskAfter(BSTR delay) override {
    return Put(L"DeleteExpiredTaskAfter", BstrText(delay));
  }

 private:
  HRESULT Put(const std::wstring& name, const std::wstring& value) {
    log_->push_back(L"Settings." + name + L"=" + value);
    return S_OK;
  }
  CallLog* log_;
};

// One object for every trigger type; it answers only the interface of its
// own type, as the service's triggers do.
class FakeTrigger : public base::win::IUnknownImpl,
                    public IDailyTriggerStub,
                    public ILogonTriggerStub,
                    public IBootTriggerStub,
                    public IRegistrationTriggerStub {
 public:
  FakeTrigger(CallLog* log, TASK_TRIGGER_TYPE2 type) : log_(log), type_(type) {}

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == __uuidof(ITrigger) || riid == IID_IDispatch) {
      *object = AsTrigger();
    } else if (riid == __uuidof(IDailyTrigger) && type_ == TASK_TRIGGER_DAILY) {
      *object = static_cast<IDailyTrigger*>(this);
    } else if (riid == __uuidof(ILogonTrigger) && type_ == TASK_TRIGGER_LOGON) {
      *object = static_cast<ILogonTrigger*>(this);
    } else if (riid == __uuidof(IBootTrigger) && type_ == TASK_TRIGGER_BOOT) {
      *object = static_cast<IBootTrigger*>(this);
    } else if (riid == __uuidof(IRegistrationTrigger) &&
               type_ == TASK_TRIGGER_REGISTRATION) {
      *object = static_cast<IRegistrationTrigger*>(this);
    } else {
      return IUnknownImpl::QueryInterface(riid, object);
    }
    AddRef();
    return S_OK;
  }

  ITrigger* AsTrigger() { return static_cast<IDailyTrigger*>(this); }

  STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2* type) override {
    *type = type_;
    return S_OK;
  }
  STDMETHODIMP put_Id(BSTR id) override { return Put(L"Id", BstrText(id)); }
  STDMETHODIMP put_StartBoundary(BSTR start) override {
    return Put(L"StartBoundary", BstrText(start));
  }
  STDMETHODIMP put_EndBoundary(BSTR end) override {
    return Put(L"EndBoundary", BstrText(end));
  }
  STDMETHODIMP get_DaysInterval(short* days) override {
    *days = days_interval;
    return S_OK;
  }
  STDMETHODIMP put_DaysInterval(short days) override {
    days_interval = days;
    return Put(L"DaysInterval", std::to_wstring(days));
  }
  STDMETHODIMP put_UserId(BSTR user) override {
    return Put(L"UserId", BstrText(user));
  }
  STDMETHODIMP put_Delay(BSTR delay) override {
    return Put(L"Delay", BstrText(delay));
  }

  short days_interval = 0;

 private:
  HRESULT Put(const std::wstring& name, const std::wstring& value) {
    log_->push_back(L"Trigger." + name + L"=" + value);
    return FakeCallResult(L"Trigger." + name);
  }
  CallLog* log_;
  TASK_TRIGGER_TYPE2 type_;
};

class FakeTriggerCollection : public base::win::IUnknownImpl,
                              public ITriggerCollectionStub {
 public:
  explicit FakeTriggerCollection(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(ITriggerCollection)
  STDMETHODIMP get_Count(LONG* count) override {
    *count = static_cast<LONG>(triggers.size());
    return S_OK;
  }
  // Indexed from 1, as the service's collections are.
  STDMETHODIMP get_Item(LONG index, ITrigger** trigger) override {
    if (index < 1 || index > static_cast<LONG>(triggers.size()))
      return E_INVALIDARG;
    *trigger = triggers[index - 1]->AsTrigger();
    (*trigger)->AddRef();
    return S_OK;
  }
  STDMETHODIMP Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
    const std::wstring call = L"Triggers.Create " + std::to_wstring(type);
    log_->push_back(call);
    *trigger = nullptr;
    if (FAILED(FakeCallResult(call)))
      return FakeCallResult(call);
    Microsoft::WRL::ComPtr<FakeTrigger> created = new FakeTrigger(log_, type);
    triggers.push_back(created);
    *trigger = created->AsTrigger();
    (*trigger)->AddRef();
    return S_OK;
  }

  std::vector<Microsoft::WRL::ComPtr<FakeTrigger>> triggers;

 private:
  CallLog* log_;
};

class FakeExecAction : public base::win::IUnknownImpl, public IExecActionStub {
 public:
  FakeExecAction(CallLog* log, TASK_ACTION_TYPE type)
      : log_(log), type_(type) {}
  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == __uuidof(IAction) || riid == IID_IDispatch ||
        (riid == __uuidof(IExecAction) && type_ == TASK_ACTION_EXEC)) {
      *object = static_cast<IExecAction*>(this);
      AddRef();
      return S_OK;
    }
    return IUnknownImpl::QueryInterface(riid, object);
  }
  STDMETHODIMP get_Type(TASK_ACTION_TYPE* type) override {
    *type = type_;
    return S_OK;
  }
  STDMETHODIMP get_Path(BSTR* path) override {
    *path = SysAllocString(this->path.c_str());
    return S_OK;
  }
  STDMETHODIMP put_Path(BSTR new_path) override {
    path = BstrText(new_path);
    log_->push_back(L"Exec.Path=" + path);
    return S_OK;
  }
  STDMETHODIMP put_Arguments(BSTR arguments) override {
    log_->push_back(L"Exec.Arguments=" + BstrText(arguments));
    return S_OK;
  }

  std::wstring path;

 private:
  CallLog* log_;
  TASK_ACTION_TYPE type_;
};

class FakeActionCollection : public base::win::IUnknownImpl,
                             public IActionCollectionStub {
 public:
  explicit FakeActionCollection(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(IActionCollection)
  STDMETHODIMP get_Count(LONG* count) override {
    *count = static_cast<LONG>(actions.size());
    return S_OK;
  }
  STDMETHODIMP get_Item(LONG index, IAction** action) override {
    if (index < 1 || index > static_cast<LONG>(actions.size()))
      return E_INVALIDARG;
    *action = actions[index - 1].Get();
    (*action)->AddRef();
    return S_OK;
  }
  STDMETHODIMP Create(TASK_ACTION_TYPE type, IAction** action) override {
    log_->push_back(L"Actions.Create " + std::to_wstring(type));
    Add(type, std::wstring());
    *action = actions.back().Get();
    (*action)->AddRef();
    return S_OK;
  }

  // Tests: an action that a task already has.
  void Add(TASK_ACTION_TYPE type, const std::wstring& path) {
    Microsoft::WRL::ComPtr<FakeExecAction> action =
        new FakeExecAction(log_, type);
    action->path = path;
    actions.push_back(action);
  }

  std::vector<Microsoft::WRL::ComPtr<FakeExecAction>> actions;

 private:
  CallLog* log_;
};

class FakePrincipal : public base::win::IUnknownImpl, public IPrincipalStub {
 public:
  explicit FakePrincipal(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(IPrincipal)
  STDMETHODIMP put_RunLevel(TASK_RUNLEVEL_TYPE level) override {
    log_->push_back(L"Principal.RunLevel=" + std::to_wstring(level));
    return FakeCallResult(L"Principal.RunLevel");
  }

 private:
  CallLog* log_;
};

class FakeTaskDefinition : public base::win::IUnknownImpl,
                           public ITaskDefinitionStub {
 public:
  explicit FakeTaskDefinition(CallLog* log)
      : log_(log),
        triggers(new FakeTriggerCollection(log)),
        actions(new FakeActionCollection(log)) {}
  TAVRIN_FAKE_QI(ITaskDefinition)
  STDMETHODIMP get_RegistrationInfo(IRegistrationInfo** info) override {
    *info = new FakeRegistrationInfo(log_);
    (*info)->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_Triggers(ITriggerCollection** collection) override {
    *collection = triggers.Get();
    (*collection)->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_Settings(ITaskSettings** settings) override {
    *settings = new FakeTaskSettings(log_);
    (*settings)->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_Principal(IPrincipal** principal) override {
    *principal = new FakePrincipal(log_);
    (*principal)->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_Actions(IActionCollection** collection) override {
    *collection = actions.Get();
    (*collection)->AddRef();
    return S_OK;
  }

 private:
  CallLog* log_;

 public:
  Microsoft::WRL::ComPtr<FakeTriggerCollection> triggers;
  Microsoft::WRL::ComPtr<FakeActionCollection> actions;
};

class FakeRegisteredTask : public base::win::IUnknownImpl,
                           public IRegisteredTaskStub {
 public:
  FakeRegisteredTask(CallLog* log,
                     const std::wstring& name,
                     Microsoft::WRL::ComPtr<ITaskDefinition> definition)
      : name(name), definition(definition), log_(log) {}
  TAVRIN_FAKE_QI(IRegisteredTask)
  STDMETHODIMP get_Name(BSTR* text) override {
    *text = SysAllocString(name.c_str());
    return S_OK;
  }
  STDMETHODIMP get_State(TASK_STATE* value) override {
    if (FAILED(state_result))
      return state_result;
    *value = state;
    return S_OK;
  }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override {
    *value = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override {
    log_->push_back(L"Task.Enabled=" + std::wstring(BoolText(value)));
    enabled = value != VARIANT_FALSE;
    return S_OK;
  }
  STDMETHODIMP Run(VARIANT params, IRunningTask** task) override {
    std::wstring text = L"Task.Run";
    if (V_VT(&params) == (VT_ARRAY | VT_BSTR)) {
      SAFEARRAY* array = V_ARRAY(&params);
      LONG lower = 0, upper = -1;
      SafeArrayGetLBound(array, 1, &lower);
      SafeArrayGetUBound(array, 1, &upper);
      text += L" dims=" + std::to_wstring(SafeArrayGetDim(array)) + L" lower=" +
              std::to_wstring(lower);
      for (LONG i = lower; i <= upper; ++i) {
        BSTR item = nullptr;
        SafeArrayGetElement(array, &i, &item);
        text += L" '" + BstrText(item) + L"'";
        SysFreeString(item);
      }
    } else {
      text += L" " + VariantText(params);
    }
    log_->push_back(text);
    *task = nullptr;
    return run_result;
  }
  // As the service answers for a task that never ran: success with the
  // date 0; |last_run_result| can ask for the documented
  // SCHED_S_TASK_HAS_NOT_RUN instead.
  STDMETHODIMP get_LastRunTime(DATE* date) override {
    *date = last_run_time;
    return last_run_result;
  }
  STDMETHODIMP get_Definition(ITaskDefinition** value) override {
    if (!definition)
      return E_FAIL;
    *value = definition.Get();
    (*value)->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetSecurityDescriptor(BSTR sddl, LONG flags) override {
    log_->push_back(L"Task.SetSecurityDescriptor " + BstrText(sddl) + L" " +
                    std::to_wstring(flags));
    return sddl_result;
  }

  std::wstring name;
  Microsoft::WRL::ComPtr<ITaskDefinition> definition;
  bool enabled = true;
  TASK_STATE state = TASK_STATE_READY;
  HRESULT state_result = S_OK;
  DATE last_run_time = 0;
  HRESULT last_run_result = S_OK;
  HRESULT run_result = S_OK;
  HRESULT sddl_result = S_OK;

 private:
  CallLog* log_;
};

class FakeRegisteredTaskCollection : public base::win::IUnknownImpl,
                                     public IRegisteredTaskCollectionStub {
 public:
  explicit FakeRegisteredTaskCollection(
      std::vector<Microsoft::WRL::ComPtr<FakeRegisteredTask>> tasks)
      : tasks_(tasks) {}
  TAVRIN_FAKE_QI(IRegisteredTaskCollection)
  STDMETHODIMP get_Count(LONG* count) override {
    *count = static_cast<LONG>(tasks_.size());
    return S_OK;
  }
  STDMETHODIMP get_Item(VARIANT index, IRegisteredTask** task) override {
    if (V_VT(&index) != VT_I4 || V_I4(&index) < 1 ||
        V_I4(&index) > static_cast<LONG>(tasks_.size())) {
      return E_INVALIDARG;
    }
    *task = tasks_[V_I4(&index) - 1].Get();
    (*task)->AddRef();
    return S_OK;
  }

 private:
  std::vector<Microsoft::WRL::ComPtr<FakeRegisteredTask>> tasks_;
};

class FakeTaskFolder : public base::win::IUnknownImpl, public ITaskFolderStub {
 public:
  explicit FakeTaskFolder(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(ITaskFolder)
  STDMETHODIMP GetTask(BSTR name, IRegisteredTask** task) override {
    for (const auto& registered : tasks) {
      if (registered->name == BstrText(name)) {
        *task = registered.Get();
        (*task)->AddRef();
        return S_OK;
      }
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  STDMETHODIMP GetTasks(LONG flags,
                        IRegisteredTaskCollection** collection) override {
    *collection = new FakeRegisteredTaskCollection(tasks);
    (*collection)->AddRef();
    return S_OK;
  }
  STDMETHODIMP DeleteTask(BSTR name, LONG flags) override {
    log_->push_back(L"Folder.DeleteTask " + BstrText(name) + L" " +
                    std::to_wstring(flags));
    for (auto it = tasks.begin(); it != tasks.end(); ++it) {
      if ((*it)->name == BstrText(name)) {
        tasks.erase(it);
        return S_OK;
      }
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  STDMETHODIMP RegisterTaskDefinition(BSTR path,
                                      ITaskDefinition* definition,
                                      LONG flags,
                                      VARIANT user,
                                      VARIANT password,
                                      TASK_LOGON_TYPE logon,
                                      VARIANT sddl,
                                      IRegisteredTask** task) override {
    log_->push_back(L"Folder.RegisterTaskDefinition " + BstrText(path) + L" " +
                    std::to_wstring(flags) + L" " + VariantText(user) + L" " +
                    VariantText(password) + L" " + std::to_wstring(logon) +
                    L" " + VariantText(sddl));
    if (FAILED(register_result))
      return register_result;
    Microsoft::WRL::ComPtr<FakeRegisteredTask> registered =
        Add(BstrText(path), definition);
    registered->sddl_result = sddl_result;
    *task = registered.Get();
    (*task)->AddRef();
    return S_OK;
  }

  // Tests: a task that is already registered, or replaces one.
  Microsoft::WRL::ComPtr<FakeRegisteredTask> Add(
      const std::wstring& name,
      Microsoft::WRL::ComPtr<ITaskDefinition> definition) {
    for (auto it = tasks.begin(); it != tasks.end(); ++it) {
      if ((*it)->name == name) {
        tasks.erase(it);
        break;
      }
    }
    Microsoft::WRL::ComPtr<FakeRegisteredTask> task =
        new FakeRegisteredTask(log_, name, definition);
    tasks.push_back(task);
    return task;
  }

  std::vector<Microsoft::WRL::ComPtr<FakeRegisteredTask>> tasks;
  HRESULT register_result = S_OK;
  HRESULT sddl_result = S_OK;

 private:
  CallLog* log_;
};

class FakeTaskService : public base::win::IUnknownImpl,
                        public ITaskServiceStub {
 public:
  explicit FakeTaskService(CallLog* log) : log_(log) {}
  TAVRIN_FAKE_QI(ITaskService)
  STDMETHODIMP NewTask(DWORD flags, ITaskDefinition** definition) override {
    log_->push_back(L"Service.NewTask " + std::to_wstring(flags));
    last_definition = new FakeTaskDefinition(log_);
    *definition = last_definition.Get();
    (*definition)->AddRef();
    return S_OK;
  }

  Microsoft::WRL::ComPtr<FakeTaskDefinition> last_definition;

 private:
  CallLog* log_;
};

#undef TAVRIN_FAKE_QI

}  // namespace test
}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_FAKE_TASK_SERVICE_H_
