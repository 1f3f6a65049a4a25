#ifndef DESKTOP_WINDOWS_TAVRIN_PROCESS_EVENT_SINK_H_
#define DESKTOP_WINDOWS_TAVRIN_PROCESS_EVENT_SINK_H_

#include <wbemidl.h>
#include <windows.h>

#include "base/win/iunknown_impl.h"

class ProcessMonitor;

// Receives WMI's creation and deletion events of browser processes and hands
// them to its monitor. WMI keeps the sink alive for as long as it likes, so
// the monitor detaches itself before it goes away; events after that are
// dropped.
class ProcessEventSink : public base::win::IUnknownImpl,
                         public IWbemObjectSink {
 public:
  explicit ProcessEventSink(ProcessMonitor* monitor);

  // From now on events reach no monitor.
  void Detach() { monitor_ = nullptr; }

  // IUnknown:
  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IWbemObjectSink:
  STDMETHODIMP Indicate(LONG object_count, IWbemClassObject** objects) override;
  STDMETHODIMP SetStatus(LONG flags,
                         HRESULT result,
                         BSTR text,
                         IWbemClassObject* object) override;

 private:
  ~ProcessEventSink() override;

  void HandleEvent(IWbemClassObject* event);

  // Not counted: the monitor owns the sink and clears this first.
  ProcessMonitor* monitor_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_PROCESS_EVENT_SINK_H_
