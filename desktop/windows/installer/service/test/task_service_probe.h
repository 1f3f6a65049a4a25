#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TASK_SERVICE_PROBE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TASK_SERVICE_PROBE_H_

#include <windows.h>

#include <taskschd.h>
#include <wrl/client.h>

#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace installer {
namespace test {

// Whether this machine's Task Scheduler 2.0 can hold the update task at all:
// every trigger of it carries an id, and Wine 8's service answers E_NOTIMPL
// to setting one, so there the task cannot be registered and tests that need
// it registered on the real service say so and skip; what would be
// registered is shown on the recording fake instead. Needs an apartment.
inline bool TaskServiceTakesTriggerIds() {
  Microsoft::WRL::ComPtr<ITaskService> service;
  if (FAILED(::CoCreateInstance(
          CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
          reinterpret_cast<void**>(service.GetAddressOf())))) {
    return false;
  }
  base::win::ScopedVariant empty;
  if (FAILED(service->Connect(empty.Get(), empty.Get(), empty.Get(),
                              empty.Get()))) {
    return false;
  }
  Microsoft::WRL::ComPtr<ITaskDefinition> task;
  Microsoft::WRL::ComPtr<ITriggerCollection> triggers;
  Microsoft::WRL::ComPtr<ITrigger> trigger;
  if (FAILED(service->NewTask(0, task.GetAddressOf())) ||
      FAILED(task->get_Triggers(triggers.GetAddressOf())) ||
      FAILED(triggers->Create(TASK_TRIGGER_DAILY, trigger.GetAddressOf()))) {
    return false;
  }
  base::win::ScopedBstr id(L"probe");
  return SUCCEEDED(trigger->put_Id(id.Get()));
}

}  // namespace test
}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_TASK_SERVICE_PROBE_H_
