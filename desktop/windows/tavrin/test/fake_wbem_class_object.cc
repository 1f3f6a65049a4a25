#include "desktop/windows/tavrin/test/fake_wbem_class_object.h"

namespace tavrin_test {

FakeWbemClassObject::FakeWbemClassObject() = default;

FakeWbemClassObject::~FakeWbemClassObject() {
  for (auto& [name, value] : properties_)
    ::VariantClear(&value);
}

void FakeWbemClassObject::SetVariant(const std::wstring& name,
                                     const VARIANT& value) {
  auto it = properties_.find(name);
  if (it != properties_.end()) {
    ::VariantClear(&it->second);
    it->second = value;
  } else {
    properties_.emplace(name, value);
  }
}

void FakeWbemClassObject::SetString(const std::wstring& name,
                                    const std::wstring& value) {
  VARIANT var;
  ::VariantInit(&var);
  V_VT(&var) = VT_BSTR;
  V_BSTR(&var) =
      ::SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  SetVariant(name, var);
}

void FakeWbemClassObject::SetNull(const std::wstring& name) {
  VARIANT var;
  ::VariantInit(&var);
  V_VT(&var) = VT_NULL;
  SetVariant(name, var);
}

void FakeWbemClassObject::SetInt(const std::wstring& name, long value) {
  VARIANT var;
  ::VariantInit(&var);
  V_VT(&var) = VT_I4;
  V_I4(&var) = value;
  SetVariant(name, var);
}

void FakeWbemClassObject::SetObject(const std::wstring& name,
                                    IUnknown* object) {
  VARIANT var;
  ::VariantInit(&var);
  V_VT(&var) = VT_UNKNOWN;
  V_UNKNOWN(&var) = object;
  if (object)
    object->AddRef();
  SetVariant(name, var);
}

void FakeWbemClassObject::SetGetFailure(const std::wstring& name, HRESULT hr) {
  failures_[name] = hr;
}

void FakeWbemClassObject::AddAncestor(const std::wstring& class_name) {
  ancestors_.insert(class_name);
}

STDMETHODIMP FakeWbemClassObject::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IWbemClassObject) {
    *object = static_cast<IWbemClassObject*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP FakeWbemClassObject::Get(LPCWSTR name,
                                      LONG flags,
                                      VARIANT* value,
                                      CIMTYPE* type,
                                      LONG* flavor) {
  if (!name || !value)
    return WBEM_E_INVALID_PARAMETER;
  auto failure = failures_.find(name);
  if (failure != failures_.end())
    return failure->second;
  auto it = properties_.find(name);
  if (it == properties_.end())
    return WBEM_E_NOT_FOUND;
  ::VariantInit(value);
  return ::VariantCopy(value, &it->second);
}

STDMETHODIMP FakeWbemClassObject::InheritsFrom(LPCWSTR ancestor) {
  return ancestor && ancestors_.count(ancestor) ? WBEM_S_NO_ERROR
                                                : WBEM_S_FALSE;
}

STDMETHODIMP FakeWbemClassObject::GetQualifierSet(IWbemQualifierSet**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::Delete(LPCWSTR) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetNames(LPCWSTR,
                                           LONG,
                                           VARIANT*,
                                           SAFEARRAY**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::BeginEnumeration(LONG) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::EndEnumeration() {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetPropertyQualifierSet(LPCWSTR,
                                                          IWbemQualifierSet**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::Clone(IWbemClassObject**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetObjectText(LONG, BSTR*) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::SpawnDerivedClass(LONG, IWbemClassObject**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::SpawnInstance(LONG, IWbemClassObject**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::CompareTo(LONG, IWbemClassObject*) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetPropertyOrigin(LPCWSTR, BSTR*) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetMethod(LPCWSTR,
                                            LONG,
                                            IWbemClassObject**,
                                            IWbemClassObject**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::PutMethod(LPCWSTR,
                                            LONG,
                                            IWbemClassObject*,
                                            IWbemClassObject*) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::DeleteMethod(LPCWSTR) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::BeginMethodEnumeration(LONG) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::NextMethod(LONG,
                                             BSTR*,
                                             IWbemClassObject**,
                                             IWbemClassObject**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::EndMethodEnumeration() {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetMethodQualifierSet(LPCWSTR,
                                                        IWbemQualifierSet**) {
  return E_NOTIMPL;
}
STDMETHODIMP FakeWbemClassObject::GetMethodOrigin(LPCWSTR, BSTR*) {
  return E_NOTIMPL;
}

}  // namespace tavrin_test
