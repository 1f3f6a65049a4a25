#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_WBEM_CLASS_OBJECT_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_WBEM_CLASS_OBJECT_H_

#include <wbemidl.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "base/win/iunknown_impl.h"

namespace tavrin_test {

// Stands in for the WMI objects that the process monitor reads: a
// Win32_Process instance, or an __InstanceCreationEvent /
// __InstanceDeletionEvent whose "TargetInstance" holds one. Wine delivers no
// events and leaves most Win32_Process properties out, so these carry what
// Windows would. Only Get and InheritsFrom are implemented.
class FakeWbemClassObject : public base::win::IUnknownImpl,
                            public IWbemClassObject {
 public:
  FakeWbemClassObject();

  void SetString(const std::wstring& name, const std::wstring& value);
  // VT_NULL, as WMI gives for a property without a value.
  void SetNull(const std::wstring& name);
  void SetInt(const std::wstring& name, long value);
  // VT_UNKNOWN holding |object| (counted).
  void SetObject(const std::wstring& name, IUnknown* object);
  // Get of |name| fails with |hr|.
  void SetGetFailure(const std::wstring& name, HRESULT hr);
  // InheritsFrom answers WBEM_S_NO_ERROR for |class_name|.
  void AddAncestor(const std::wstring& class_name);

  // IUnknown:
  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IWbemClassObject:
  STDMETHODIMP Get(LPCWSTR name,
                   LONG flags,
                   VARIANT* value,
                   CIMTYPE* type,
                   LONG* flavor) override;
  STDMETHODIMP InheritsFrom(LPCWSTR ancestor) override;

  STDMETHODIMP GetQualifierSet(IWbemQualifierSet**) override;
  STDMETHODIMP Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override;
  STDMETHODIMP Delete(LPCWSTR) override;
  STDMETHODIMP GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override;
  STDMETHODIMP BeginEnumeration(LONG) override;
  STDMETHODIMP Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override;
  STDMETHODIMP EndEnumeration() override;
  STDMETHODIMP GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override;
  STDMETHODIMP Clone(IWbemClassObject**) override;
  STDMETHODIMP GetObjectText(LONG, BSTR*) override;
  STDMETHODIMP SpawnDerivedClass(LONG, IWbemClassObject**) override;
  STDMETHODIMP SpawnInstance(LONG, IWbemClassObject**) override;
  STDMETHODIMP CompareTo(LONG, IWbemClassObject*) override;
  STDMETHODIMP GetPropertyOrigin(LPCWSTR, BSTR*) override;
  STDMETHODIMP GetMethod(LPCWSTR,
                         LONG,
                         IWbemClassObject**,
                         IWbemClassObject**) override;
  STDMETHODIMP PutMethod(LPCWSTR,
                         LONG,
                         IWbemClassObject*,
                         IWbemClassObject*) override;
  STDMETHODIMP DeleteMethod(LPCWSTR) override;
  STDMETHODIMP BeginMethodEnumeration(LONG) override;
  STDMETHODIMP NextMethod(LONG,
                          BSTR*,
                          IWbemClassObject**,
                          IWbemClassObject**) override;
  STDMETHODIMP EndMethodEnumeration() override;
  STDMETHODIMP GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override;
  STDMETHODIMP GetMethodOrigin(LPCWSTR, BSTR*) override;

 private:
  ~FakeWbemClassObject() override;

  void SetVariant(const std::wstring& name, const VARIANT& value);

  std::map<std::wstring, VARIANT> properties_;
  std::map<std::wstring, HRESULT> failures_;
  std::set<std::wstring> ancestors_;
};

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_FAKE_WBEM_CLASS_OBJECT_H_
