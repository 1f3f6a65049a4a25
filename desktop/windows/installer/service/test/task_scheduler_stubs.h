#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TASK_SCHEDULER_STUBS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TASK_SCHEDULER_STUBS_H_

#include <windows.h>

#include <taskschd.h>

#include "desktop/windows/installer/service/task_trigger_interfaces.h"

// Task Scheduler 2.0 interfaces with every method answering E_NOTIMPL, the
// IUnknown methods left to the fake that derives from one: a fake overrides
// only what the code under test calls. Each stub lists the methods of its
// interface and of the interfaces it extends, in vtable order, with the
// parameters of taskschd.h (and task_trigger_interfaces.h).

namespace installer {
namespace test {

#define TAVRIN_DISPATCH_STUBS()                                          \
  STDMETHODIMP GetTypeInfoCount(UINT*) override {                        \
    return E_NOTIMPL;                                                    \
  }                                                                      \
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override {           \
    return E_NOTIMPL;                                                    \
  }                                                                      \
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)     \
      override {                                                         \
    return E_NOTIMPL;                                                    \
  }                                                                      \
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, \
                      EXCEPINFO*, UINT*) override {                      \
    return E_NOTIMPL;                                                    \
  }

class ITaskServiceStub : public ITaskService {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP GetFolder(BSTR path, ITaskFolder** folder) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetRunningTasks(LONG flags,
                               IRunningTaskCollection** tasks) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP NewTask(DWORD flags, ITaskDefinition** definition) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Connect(VARIANT server,
                       VARIANT user,
                       VARIANT domain,
                       VARIANT password) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Connected(VARIANT_BOOL* connected) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_TargetServer(BSTR* server) override { return E_NOTIMPL; }
  STDMETHODIMP get_ConnectedUser(BSTR* user) override { return E_NOTIMPL; }
  STDMETHODIMP get_ConnectedDomain(BSTR* domain) override { return E_NOTIMPL; }
  STDMETHODIMP get_HighestVersion(DWORD* version) override { return E_NOTIMPL; }
};

class ITaskDefinitionStub : public ITaskDefinition {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_RegistrationInfo(IRegistrationInfo** info) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_RegistrationInfo(IRegistrationInfo* info) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Triggers(ITriggerCollection** triggers) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Triggers(ITriggerCollection* triggers) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Settings(ITaskSettings** settings) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Settings(ITaskSettings* settings) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Data(BSTR* data) override { return E_NOTIMPL; }
  STDMETHODIMP put_Data(BSTR data) override { return E_NOTIMPL; }
  STDMETHODIMP get_Principal(IPrincipal** principal) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Principal(IPrincipal* principal) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Actions(IActionCollection** actions) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Actions(IActionCollection* actions) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_XmlText(BSTR* xml) override { return E_NOTIMPL; }
  STDMETHODIMP put_XmlText(BSTR xml) override { return E_NOTIMPL; }
};

class IRegistrationInfoStub : public IRegistrationInfo {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Description(BSTR* description) override { return E_NOTIMPL; }
  STDMETHODIMP put_Description(BSTR description) override { return E_NOTIMPL; }
  STDMETHODIMP get_Author(BSTR* author) override { return E_NOTIMPL; }
  STDMETHODIMP put_Author(BSTR author) override { return E_NOTIMPL; }
  STDMETHODIMP get_Version(BSTR* version) override { return E_NOTIMPL; }
  STDMETHODIMP put_Version(BSTR version) override { return E_NOTIMPL; }
  STDMETHODIMP get_Date(BSTR* date) override { return E_NOTIMPL; }
  STDMETHODIMP put_Date(BSTR date) override { return E_NOTIMPL; }
  STDMETHODIMP get_Documentation(BSTR* doc) override { return E_NOTIMPL; }
  STDMETHODIMP put_Documentation(BSTR doc) override { return E_NOTIMPL; }
  STDMETHODIMP get_XmlText(BSTR* xml) override { return E_NOTIMPL; }
  STDMETHODIMP put_XmlText(BSTR xml) override { return E_NOTIMPL; }
  STDMETHODIMP get_URI(BSTR* uri) override { return E_NOTIMPL; }
  STDMETHODIMP put_URI(BSTR uri) override { return E_NOTIMPL; }
  STDMETHODIMP get_SecurityDescriptor(VARIANT* sddl) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_SecurityDescriptor(VARIANT sddl) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Source(BSTR* source) override { return E_NOTIMPL; }
  STDMETHODIMP put_Source(BSTR source) override { return E_NOTIMPL; }
};

class ITaskSettingsStub : public ITaskSettings {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_AllowDemandStart(VARIANT_BOOL* allow) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_AllowDemandStart(VARIANT_BOOL allow) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_RestartInterval(BSTR* interval) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_RestartInterval(BSTR interval) override { return E_NOTIMPL; }
  STDMETHODIMP get_RestartCount(INT* count) override { return E_NOTIMPL; }
  STDMETHODIMP put_RestartCount(INT count) override { return E_NOTIMPL; }
  STDMETHODIMP get_MultipleInstances(TASK_INSTANCES_POLICY* policy) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_MultipleInstances(TASK_INSTANCES_POLICY policy) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_StopIfGoingOnBatteries(VARIANT_BOOL* stop) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_StopIfGoingOnBatteries(VARIANT_BOOL stop) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_DisallowStartIfOnBatteries(VARIANT_BOOL* disallow) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_DisallowStartIfOnBatteries(VARIANT_BOOL disallow) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_AllowHardTerminate(VARIANT_BOOL* allow) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_AllowHardTerminate(VARIANT_BOOL allow) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_StartWhenAvailable(VARIANT_BOOL* start) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_StartWhenAvailable(VARIANT_BOOL start) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_XmlText(BSTR* xml) override { return E_NOTIMPL; }
  STDMETHODIMP put_XmlText(BSTR xml) override { return E_NOTIMPL; }
  STDMETHODIMP get_RunOnlyIfNetworkAvailable(VARIANT_BOOL* run) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_RunOnlyIfNetworkAvailable(VARIANT_BOOL run) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_ExecutionTimeLimit(BSTR* limit) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
  STDMETHODIMP get_DeleteExpiredTaskAfter(BSTR* delay) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_DeleteExpiredTaskAfter(BSTR delay) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Priority(INT* priority) override { return E_NOTIMPL; }
  STDMETHODIMP put_Priority(INT priority) override { return E_NOTIMPL; }
  STDMETHODIMP get_Compatibility(TASK_COMPATIBILITY* level) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Compatibility(TASK_COMPATIBILITY level) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Hidden(VARIANT_BOOL* hidden) override { return E_NOTIMPL; }
  STDMETHODIMP put_Hidden(VARIANT_BOOL hidden) override { return E_NOTIMPL; }
  STDMETHODIMP get_IdleSettings(IIdleSettings** settings) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_IdleSettings(IIdleSettings* settings) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_RunOnlyIfIdle(VARIANT_BOOL* run) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_RunOnlyIfIdle(VARIANT_BOOL run) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_WakeToRun(VARIANT_BOOL* wake) override { return E_NOTIMPL; }
  STDMETHODIMP put_WakeToRun(VARIANT_BOOL wake) override { return E_NOTIMPL; }
  STDMETHODIMP get_NetworkSettings(INetworkSettings** settings) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_NetworkSettings(INetworkSettings* settings) override {
    return E_NOTIMPL;
  }
};

class ITriggerCollectionStub : public ITriggerCollection {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Count(LONG* count) override { return E_NOTIMPL; }
  STDMETHODIMP get_Item(LONG index, ITrigger** trigger) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get__NewEnum(IUnknown** penum) override { return E_NOTIMPL; }
  STDMETHODIMP Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Remove(VARIANT index) override { return E_NOTIMPL; }
  STDMETHODIMP Clear() override { return E_NOTIMPL; }
};

class ITriggerStub : public ITrigger {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2* type) override { return E_NOTIMPL; }
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Repetition(IRepetitionPattern** repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Repetition(IRepetitionPattern* repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_ExecutionTimeLimit(BSTR* limit) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override { return E_NOTIMPL; }
  STDMETHODIMP get_StartBoundary(BSTR* start) override { return E_NOTIMPL; }
  STDMETHODIMP put_StartBoundary(BSTR start) override { return E_NOTIMPL; }
  STDMETHODIMP get_EndBoundary(BSTR* end) override { return E_NOTIMPL; }
  STDMETHODIMP put_EndBoundary(BSTR end) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
};

class IDailyTriggerStub : public IDailyTrigger {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2* type) override { return E_NOTIMPL; }
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Repetition(IRepetitionPattern** repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Repetition(IRepetitionPattern* repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_ExecutionTimeLimit(BSTR* limit) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override { return E_NOTIMPL; }
  STDMETHODIMP get_StartBoundary(BSTR* start) override { return E_NOTIMPL; }
  STDMETHODIMP put_StartBoundary(BSTR start) override { return E_NOTIMPL; }
  STDMETHODIMP get_EndBoundary(BSTR* end) override { return E_NOTIMPL; }
  STDMETHODIMP put_EndBoundary(BSTR end) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
  STDMETHODIMP get_DaysInterval(short* pDays) override { return E_NOTIMPL; }
  STDMETHODIMP put_DaysInterval(short days) override { return E_NOTIMPL; }
  STDMETHODIMP get_RandomDelay(BSTR* pRandomDelay) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_RandomDelay(BSTR randomDelay) override { return E_NOTIMPL; }
};

class IRegistrationTriggerStub : public IRegistrationTrigger {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2* type) override { return E_NOTIMPL; }
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Repetition(IRepetitionPattern** repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Repetition(IRepetitionPattern* repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_ExecutionTimeLimit(BSTR* limit) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override { return E_NOTIMPL; }
  STDMETHODIMP get_StartBoundary(BSTR* start) override { return E_NOTIMPL; }
  STDMETHODIMP put_StartBoundary(BSTR start) override { return E_NOTIMPL; }
  STDMETHODIMP get_EndBoundary(BSTR* end) override { return E_NOTIMPL; }
  STDMETHODIMP put_EndBoundary(BSTR end) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
  STDMETHODIMP get_Delay(BSTR* delay) override { return E_NOTIMPL; }
  STDMETHODIMP put_Delay(BSTR delay) override { return E_NOTIMPL; }
};

class ILogonTriggerStub : public ILogonTrigger {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2* type) override { return E_NOTIMPL; }
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Repetition(IRepetitionPattern** repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Repetition(IRepetitionPattern* repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_ExecutionTimeLimit(BSTR* limit) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override { return E_NOTIMPL; }
  STDMETHODIMP get_StartBoundary(BSTR* start) override { return E_NOTIMPL; }
  STDMETHODIMP put_StartBoundary(BSTR start) override { return E_NOTIMPL; }
  STDMETHODIMP get_EndBoundary(BSTR* end) override { return E_NOTIMPL; }
  STDMETHODIMP put_EndBoundary(BSTR end) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
  STDMETHODIMP get_Delay(BSTR* delay) override { return E_NOTIMPL; }
  STDMETHODIMP put_Delay(BSTR delay) override { return E_NOTIMPL; }
  STDMETHODIMP get_UserId(BSTR* user) override { return E_NOTIMPL; }
  STDMETHODIMP put_UserId(BSTR user) override { return E_NOTIMPL; }
};

class IBootTriggerStub : public IBootTrigger {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2* type) override { return E_NOTIMPL; }
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Repetition(IRepetitionPattern** repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_Repetition(IRepetitionPattern* repeat) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_ExecutionTimeLimit(BSTR* limit) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override { return E_NOTIMPL; }
  STDMETHODIMP get_StartBoundary(BSTR* start) override { return E_NOTIMPL; }
  STDMETHODIMP put_StartBoundary(BSTR start) override { return E_NOTIMPL; }
  STDMETHODIMP get_EndBoundary(BSTR* end) override { return E_NOTIMPL; }
  STDMETHODIMP put_EndBoundary(BSTR end) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
  STDMETHODIMP get_Delay(BSTR* delay) override { return E_NOTIMPL; }
  STDMETHODIMP put_Delay(BSTR delay) override { return E_NOTIMPL; }
};

class IActionCollectionStub : public IActionCollection {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Count(LONG* count) override { return E_NOTIMPL; }
  STDMETHODIMP get_Item(LONG index, IAction** action) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get__NewEnum(IUnknown** penum) override { return E_NOTIMPL; }
  STDMETHODIMP get_XmlText(BSTR* xml) override { return E_NOTIMPL; }
  STDMETHODIMP put_XmlText(BSTR xml) override { return E_NOTIMPL; }
  STDMETHODIMP Create(TASK_ACTION_TYPE Type, IAction** action) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Remove(VARIANT index) override { return E_NOTIMPL; }
  STDMETHODIMP Clear() override { return E_NOTIMPL; }
  STDMETHODIMP get_Context(BSTR* ctx) override { return E_NOTIMPL; }
  STDMETHODIMP put_Context(BSTR ctx) override { return E_NOTIMPL; }
};

class IActionStub : public IAction {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Type(TASK_ACTION_TYPE* type) override { return E_NOTIMPL; }
};

class IExecActionStub : public IExecAction {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_Type(TASK_ACTION_TYPE* type) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path(BSTR* path) override { return E_NOTIMPL; }
  STDMETHODIMP put_Path(BSTR path) override { return E_NOTIMPL; }
  STDMETHODIMP get_Arguments(BSTR* argument) override { return E_NOTIMPL; }
  STDMETHODIMP put_Arguments(BSTR argument) override { return E_NOTIMPL; }
  STDMETHODIMP get_WorkingDirectory(BSTR* directory) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_WorkingDirectory(BSTR directory) override {
    return E_NOTIMPL;
  }
};

class IPrincipalStub : public IPrincipal {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Id(BSTR* id) override { return E_NOTIMPL; }
  STDMETHODIMP put_Id(BSTR id) override { return E_NOTIMPL; }
  STDMETHODIMP get_DisplayName(BSTR* name) override { return E_NOTIMPL; }
  STDMETHODIMP put_DisplayName(BSTR name) override { return E_NOTIMPL; }
  STDMETHODIMP get_UserId(BSTR* user) override { return E_NOTIMPL; }
  STDMETHODIMP put_UserId(BSTR user) override { return E_NOTIMPL; }
  STDMETHODIMP get_LogonType(TASK_LOGON_TYPE* logon) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_LogonType(TASK_LOGON_TYPE logon) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_GroupId(BSTR* group) override { return E_NOTIMPL; }
  STDMETHODIMP put_GroupId(BSTR group) override { return E_NOTIMPL; }
  STDMETHODIMP get_RunLevel(TASK_RUNLEVEL_TYPE* level) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP put_RunLevel(TASK_RUNLEVEL_TYPE level) override {
    return E_NOTIMPL;
  }
};

class ITaskFolderStub : public ITaskFolder {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Name(BSTR* name) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path(BSTR* path) override { return E_NOTIMPL; }
  STDMETHODIMP GetFolder(BSTR path, ITaskFolder** folder) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetFolders(LONG flags,
                          ITaskFolderCollection** folders) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateFolder(BSTR name,
                            VARIANT sddl,
                            ITaskFolder** folder) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP DeleteFolder(BSTR name, LONG flags) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetTask(BSTR path, IRegisteredTask** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetTasks(LONG flags,
                        IRegisteredTaskCollection** tasks) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP DeleteTask(BSTR name, LONG flags) override { return E_NOTIMPL; }
  STDMETHODIMP RegisterTask(BSTR path,
                            BSTR xml,
                            LONG flags,
                            VARIANT user,
                            VARIANT password,
                            TASK_LOGON_TYPE logonType,
                            VARIANT sddl,
                            IRegisteredTask** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP RegisterTaskDefinition(BSTR path,
                                      ITaskDefinition* definition,
                                      LONG flags,
                                      VARIANT user,
                                      VARIANT password,
                                      TASK_LOGON_TYPE logon,
                                      VARIANT sddl,
                                      IRegisteredTask** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetSecurityDescriptor(LONG info, BSTR* sddl) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP SetSecurityDescriptor(BSTR sddl, LONG flags) override {
    return E_NOTIMPL;
  }
};

class IRegisteredTaskStub : public IRegisteredTask {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Name(BSTR* name) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path(BSTR* path) override { return E_NOTIMPL; }
  STDMETHODIMP get_State(TASK_STATE* state) override { return E_NOTIMPL; }
  STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return E_NOTIMPL; }
  STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return E_NOTIMPL; }
  STDMETHODIMP Run(VARIANT params, IRunningTask** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP RunEx(VARIANT params,
                     LONG flags,
                     LONG sessionID,
                     BSTR user,
                     IRunningTask** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetInstances(LONG flags,
                            IRunningTaskCollection** tasks) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_LastRunTime(DATE* date) override { return E_NOTIMPL; }
  STDMETHODIMP get_LastTaskResult(LONG* result) override { return E_NOTIMPL; }
  STDMETHODIMP get_NumberOfMissedRuns(LONG* runs) override { return E_NOTIMPL; }
  STDMETHODIMP get_NextRunTime(DATE* date) override { return E_NOTIMPL; }
  STDMETHODIMP get_Definition(ITaskDefinition** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Xml(BSTR* xml) override { return E_NOTIMPL; }
  STDMETHODIMP GetSecurityDescriptor(LONG info, BSTR* sddl) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP SetSecurityDescriptor(BSTR sddl, LONG flags) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Stop(LONG flags) override { return E_NOTIMPL; }
  STDMETHODIMP GetRunTimes(const LPSYSTEMTIME start,
                           const LPSYSTEMTIME end,
                           DWORD* count,
                           LPSYSTEMTIME* time) override {
    return E_NOTIMPL;
  }
};

class IRegisteredTaskCollectionStub : public IRegisteredTaskCollection {
 public:
  TAVRIN_DISPATCH_STUBS()
  STDMETHODIMP get_Count(LONG* count) override { return E_NOTIMPL; }
  STDMETHODIMP get_Item(VARIANT index, IRegisteredTask** task) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get__NewEnum(IUnknown** penum) override { return E_NOTIMPL; }
};

#undef TAVRIN_DISPATCH_STUBS

}  // namespace test
}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TASK_SCHEDULER_STUBS_H_
