#include "desktop/windows/tavrin/test/fake_wbem_services.h"

#include <wrl/client.h>

namespace tavrin_test {

namespace {

// A query result without rows.
class EmptyWbemRows : public base::win::IUnknownImpl,
                      public IEnumWbemClassObject {
 public:
  EmptyWbemRows() = default;

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IEnumWbemClassObject) {
      *object = static_cast<IEnumWbemClassObject*>(this);
      AddRef();
      return S_OK;
    }
    return IUnknownImpl::QueryInterface(riid, object);
  }

  STDMETHODIMP Next(LONG, ULONG, IWbemClassObject**, ULONG* returned) override {
    *returned = 0;
    return WBEM_S_FALSE;
  }
  STDMETHODIMP Reset() override { return E_NOTIMPL; }
  STDMETHODIMP NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
  STDMETHODIMP Skip(LONG, ULONG) override { return E_NOTIMPL; }

 private:
  ~EmptyWbemRows() override = default;
};

}  // namespace

FakeWbemServices::FakeWbemServices() = default;
FakeWbemServices::~FakeWbemServices() = default;

STDMETHODIMP FakeWbemServices::QueryInterface(REFIID riid, void** object) {
  if (riid == IID_IWbemServices) {
    *object = static_cast<IWbemServices*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP FakeWbemServices::ExecQuery(const BSTR,
                                         const BSTR,
                                         LONG,
                                         IWbemContext*,
                                         IEnumWbemClassObject** result) {
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> rows = new EmptyWbemRows();
  *result = rows.Detach();
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP FakeWbemServices::ExecNotificationQueryAsync(
    const BSTR language,
    const BSTR query,
    LONG flags,
    IWbemContext* context,
    IWbemObjectSink* handler) {
  event_queries_.push_back({language ? language : L"", query ? query : L"",
                            flags, context, handler});
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP FakeWbemServices::CancelAsyncCall(IWbemObjectSink* handler) {
  cancelled_.push_back(handler);
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP FakeWbemServices::OpenNamespace(const BSTR,
                                             LONG,
                                             IWbemContext*,
                                             IWbemServices**,
                                             IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::QueryObjectSink(LONG, IWbemObjectSink**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::GetObject(const BSTR,
                                         LONG,
                                         IWbemContext*,
                                         IWbemClassObject**,
                                         IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::GetObjectAsync(const BSTR,
                                              LONG,
                                              IWbemContext*,
                                              IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::PutClass(IWbemClassObject*,
                                        LONG,
                                        IWbemContext*,
                                        IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::PutClassAsync(IWbemClassObject*,
                                             LONG,
                                             IWbemContext*,
                                             IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::DeleteClass(const BSTR,
                                           LONG,
                                           IWbemContext*,
                                           IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::DeleteClassAsync(const BSTR,
                                                LONG,
                                                IWbemContext*,
                                                IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::CreateClassEnum(const BSTR,
                                               LONG,
                                               IWbemContext*,
                                               IEnumWbemClassObject**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::CreateClassEnumAsync(const BSTR,
                                                    LONG,
                                                    IWbemContext*,
                                                    IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::PutInstance(IWbemClassObject*,
                                           LONG,
                                           IWbemContext*,
                                           IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::PutInstanceAsync(IWbemClassObject*,
                                                LONG,
                                                IWbemContext*,
                                                IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::DeleteInstance(const BSTR,
                                              LONG,
                                              IWbemContext*,
                                              IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::DeleteInstanceAsync(const BSTR,
                                                   LONG,
                                                   IWbemContext*,
                                                   IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::CreateInstanceEnum(const BSTR,
                                                  LONG,
                                                  IWbemContext*,
                                                  IEnumWbemClassObject**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::CreateInstanceEnumAsync(const BSTR,
                                                       LONG,
                                                       IWbemContext*,
                                                       IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::ExecQueryAsync(const BSTR,
                                              const BSTR,
                                              LONG,
                                              IWbemContext*,
                                              IWbemObjectSink*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::ExecNotificationQuery(const BSTR,
                                                     const BSTR,
                                                     LONG,
                                                     IWbemContext*,
                                                     IEnumWbemClassObject**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::ExecMethod(const BSTR,
                                          const BSTR,
                                          LONG,
                                          IWbemContext*,
                                          IWbemClassObject*,
                                          IWbemClassObject**,
                                          IWbemCallResult**) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeWbemServices::ExecMethodAsync(const BSTR,
                                               const BSTR,
                                               LONG,
                                               IWbemContext*,
                                               IWbemClassObject*,
                                               IWbemObjectSink*) {
  return E_NOTIMPL;
}

}  // namespace tavrin_test
