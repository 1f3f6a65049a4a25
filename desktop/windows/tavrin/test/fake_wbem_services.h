#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_WBEM_SERVICES_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_WBEM_SERVICES_H_

#include <wbemidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/win/iunknown_impl.h"

namespace tavrin_test {

// Stands in for a WMI connection ("ROOT\CIMV2"), which under Wine takes no
// event queries. Queries answer an empty result; event queries and their
// cancellations are recorded. Every other method answers E_NOTIMPL.
class FakeWbemServices : public base::win::IUnknownImpl, public IWbemServices {
 public:
  // One ExecNotificationQueryAsync call.
  struct EventQuery {
    std::wstring language;
    std::wstring query;
    LONG flags;
    IWbemContext* context;
    // Compared only; not counted.
    IWbemObjectSink* handler;
  };

  FakeWbemServices();

  const std::vector<EventQuery>& event_queries() const {
    return event_queries_;
  }
  const std::vector<IWbemObjectSink*>& cancelled() const { return cancelled_; }

  // IUnknown:
  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IWbemServices:
  STDMETHODIMP ExecQuery(const BSTR language,
                         const BSTR query,
                         LONG flags,
                         IWbemContext* context,
                         IEnumWbemClassObject** result) override;
  STDMETHODIMP ExecNotificationQueryAsync(const BSTR language,
                                          const BSTR query,
                                          LONG flags,
                                          IWbemContext* context,
                                          IWbemObjectSink* handler) override;
  STDMETHODIMP CancelAsyncCall(IWbemObjectSink* handler) override;

  STDMETHODIMP OpenNamespace(const BSTR,
                             LONG,
                             IWbemContext*,
                             IWbemServices**,
                             IWbemCallResult**) override;
  STDMETHODIMP QueryObjectSink(LONG, IWbemObjectSink**) override;
  STDMETHODIMP GetObject(const BSTR,
                         LONG,
                         IWbemContext*,
                         IWbemClassObject**,
                         IWbemCallResult**) override;
  STDMETHODIMP GetObjectAsync(const BSTR,
                              LONG,
                              IWbemContext*,
                              IWbemObjectSink*) override;
  STDMETHODIMP PutClass(IWbemClassObject*,
                        LONG,
                        IWbemContext*,
                        IWbemCallResult**) override;
  STDMETHODIMP PutClassAsync(IWbemClassObject*,
                             LONG,
                             IWbemContext*,
                             IWbemObjectSink*) override;
  STDMETHODIMP DeleteClass(const BSTR,
                           LONG,
                           IWbemContext*,
                           IWbemCallResult**) override;
  STDMETHODIMP DeleteClassAsync(const BSTR,
                                LONG,
                                IWbemContext*,
                                IWbemObjectSink*) override;
  STDMETHODIMP CreateClassEnum(const BSTR,
                               LONG,
                               IWbemContext*,
                               IEnumWbemClassObject**) override;
  STDMETHODIMP CreateClassEnumAsync(const BSTR,
                                    LONG,
                                    IWbemContext*,
                                    IWbemObjectSink*) override;
  STDMETHODIMP PutInstance(IWbemClassObject*,
                           LONG,
                           IWbemContext*,
                           IWbemCallResult**) override;
  STDMETHODIMP PutInstanceAsync(IWbemClassObject*,
                                LONG,
                                IWbemContext*,
                                IWbemObjectSink*) override;
  STDMETHODIMP DeleteInstance(const BSTR,
                              LONG,
                              IWbemContext*,
                              IWbemCallResult**) override;
  STDMETHODIMP DeleteInstanceAsync(const BSTR,
                                   LONG,
                                   IWbemContext*,
                                   IWbemObjectSink*) override;
  STDMETHODIMP CreateInstanceEnum(const BSTR,
                                  LONG,
                                  IWbemContext*,
                                  IEnumWbemClassObject**) override;
  STDMETHODIMP CreateInstanceEnumAsync(const BSTR,
                                       LONG,
                                       IWbemContext*,
                                       IWbemObjectSink*) override;
  STDMETHODIMP ExecQueryAsync(const BSTR,
                              const BSTR,
                              LONG,
                              IWbemContext*,
                              IWbemObjectSink*) override;
  STDMETHODIMP ExecNotificationQuery(const BSTR,
                                     const BSTR,
                                     LONG,
                                     IWbemContext*,
                                     IEnumWbemClassObject**) override;
  STDMETHODIMP ExecMethod(const BSTR,
                          const BSTR,
                          LONG,
                          IWbemContext*,
                          IWbemClassObject*,
                          IWbemClassObject**,
                          IWbemCallResult**) override;
  STDMETHODIMP ExecMethodAsync(const BSTR,
                               const BSTR,
                               LONG,
                               IWbemContext*,
                               IWbemClassObject*,
                               IWbemObjectSink*) override;

 private:
  ~FakeWbemServices() override;

  std::vector<EventQuery> event_queries_;
  std::vector<IWbemObjectSink*> cancelled_;
};

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_WBEM_SERVICES_H_
