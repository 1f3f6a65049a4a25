#include "desktop/windows/tavrin/test/fake_unsecured_apartment.h"

#include <utility>

namespace tavrin_test {

namespace {

class ForwardingSinkStub : public base::win::IUnknownImpl,
                           public IWbemObjectSink {
 public:
  explicit ForwardingSinkStub(Microsoft::WRL::ComPtr<IWbemObjectSink> sink)
      : sink_(std::move(sink)) {}

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IWbemObjectSink) {
      *object = static_cast<IWbemObjectSink*>(this);
      AddRef();
      return S_OK;
    }
    return IUnknownImpl::QueryInterface(riid, object);
  }

  STDMETHODIMP Indicate(LONG count, IWbemClassObject** objects) override {
    return sink_->Indicate(count, objects);
  }
  STDMETHODIMP SetStatus(LONG flags,
                         HRESULT result,
                         BSTR text,
                         IWbemClassObject* object) override {
    return sink_->SetStatus(flags, result, text, object);
  }

 private:
  ~ForwardingSinkStub() override = default;

  Microsoft::WRL::ComPtr<IWbemObjectSink> sink_;
};

}  // namespace

FakeUnsecuredApartment::FakeUnsecuredApartment() = default;
FakeUnsecuredApartment::~FakeUnsecuredApartment() = default;

STDMETHODIMP FakeUnsecuredApartment::QueryInterface(REFIID riid,
                                                    void** object) {
  if (riid == IID_IUnsecuredApartment) {
    *object = static_cast<IUnsecuredApartment*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP FakeUnsecuredApartment::CreateObjectStub(IUnknown* object,
                                                      IUnknown** stub) {
  Microsoft::WRL::ComPtr<IWbemObjectSink> sink;
  if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&sink))))
    return E_NOINTERFACE;
  stubbed_object_ = object;
  stub_ = new ForwardingSinkStub(sink);
  *stub = stub_.Get();
  (*stub)->AddRef();
  return S_OK;
}

}  // namespace tavrin_test
