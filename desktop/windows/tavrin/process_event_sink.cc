#include "desktop/windows/tavrin/process_event_sink.h"

#include <wrl/client.h>

#include "base/time/time.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/tavrin/process_monitor.h"

namespace {

bool InheritsFrom(IWbemClassObject* event, const wchar_t* class_name) {
  return event->InheritsFrom(class_name) == WBEM_S_NO_ERROR;
}

// The process that the event is about: its "TargetInstance" object.
Microsoft::WRL::ComPtr<IWbemClassObject> GetTargetInstance(
    IWbemClassObject* event) {
  Microsoft::WRL::ComPtr<IWbemClassObject> target;
  base::win::ScopedVariant value;
  if (FAILED(event->Get(L"TargetInstance", 0, value.Receive(), nullptr,
                        nullptr))) {
    return target;
  }
  IUnknown* unknown = nullptr;
  if (value.type() == VT_UNKNOWN)
    unknown = V_UNKNOWN(&value.Get());
  else if (value.type() == VT_DISPATCH)
    unknown = V_DISPATCH(&value.Get());
  if (unknown)
    unknown->QueryInterface(IID_IWbemClassObject,
                            reinterpret_cast<void**>(target.GetAddressOf()));
  return target;
}

}  // namespace

ProcessEventSink::ProcessEventSink(ProcessMonitor* monitor)
    : monitor_(monitor) {}

ProcessEventSink::~ProcessEventSink() = default;

STDMETHODIMP ProcessEventSink::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IWbemObjectSink) {
    *object = static_cast<IWbemObjectSink*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP ProcessEventSink::Indicate(LONG object_count,
                                        IWbemClassObject** objects) {
  if (!objects)
    return WBEM_S_NO_ERROR;
  for (LONG i = 0; i < object_count; ++i) {
    // Handling one event may save prefs or send analytics; the monitor can
    // only go away between calls, but a detach is checked for every event.
    if (!monitor_)
      break;
    if (objects[i])
      HandleEvent(objects[i]);
  }
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP ProcessEventSink::SetStatus(LONG flags,
                                         HRESULT result,
                                         BSTR text,
                                         IWbemClassObject* object) {
  return WBEM_S_NO_ERROR;
}

void ProcessEventSink::HandleEvent(IWbemClassObject* event) {
  const bool creation = InheritsFrom(event, L"__InstanceCreationEvent");
  const bool deletion = InheritsFrom(event, L"__InstanceDeletionEvent");

  Microsoft::WRL::ComPtr<IWbemClassObject> target = GetTargetInstance(event);
  if (!target)
    return;
  ProcessRecord record = ReadProcessRecord(target.Get());

  if (creation && !record.executable_path.empty() &&
      !record.command_line.empty()) {
    monitor_->OnProcessStarted(record, true);
  }
  if (deletion) {
    record.quit_time = base::Time::Now();
    monitor_->OnProcessEnded(record);
  }
}
