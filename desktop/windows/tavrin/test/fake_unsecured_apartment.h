#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_UNSECURED_APARTMENT_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_UNSECURED_APARTMENT_H_

#include <wbemidl.h>
#include <windows.h>
#include <wrl/client.h>

#include "base/win/iunknown_impl.h"

namespace tavrin_test {

// Stands in for IUnsecuredApartment, which Wine does not register. The stub
// it makes is an event sink of its own that passes every call on to the
// object it was made for, as the real stub does across apartments.
class FakeUnsecuredApartment : public base::win::IUnknownImpl,
                               public IUnsecuredApartment {
 public:
  FakeUnsecuredApartment();

  // The object of the last CreateObjectStub, and the stub made for it.
  IUnknown* stubbed_object() const { return stubbed_object_.Get(); }
  IWbemObjectSink* stub() const { return stub_.Get(); }

  // IUnknown:
  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IUnsecuredApartment:
  STDMETHODIMP CreateObjectStub(IUnknown* object, IUnknown** stub) override;

 private:
  ~FakeUnsecuredApartment() override;

  Microsoft::WRL::ComPtr<IUnknown> stubbed_object_;
  Microsoft::WRL::ComPtr<IWbemObjectSink> stub_;
};

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_UNSECURED_APARTMENT_H_
