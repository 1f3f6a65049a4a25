#include "base/win/wmi.h"

#include "base/logging.h"
#include "base/win/scoped_bstr.h"

namespace base {
namespace win {

namespace {

// HRESULTs after a message ending in "0x" are written in hexadecimal.
void LogHexFailure(const char* message, HRESULT hr) {
  LOG(ERROR) << message << std::hex << static_cast<unsigned long>(hr);
}

}  // namespace

HRESULT ConnectToWmi(Microsoft::WRL::ComPtr<IWbemServices>* services) {
  return ConnectToWmi(L"ROOT\\CIMV2", services);
}

HRESULT ConnectToWmi(const std::wstring& wmi_namespace,
                     Microsoft::WRL::ComPtr<IWbemServices>* services) {
  // A failure never leaves an earlier connection behind for the caller.
  services->Reset();
  HRESULT hr = ::CoInitializeSecurity(
      nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (FAILED(hr)) {
    LogHexFailure("Failed to initialize security. Error code = 0x", hr);
    return hr;
  }

  Microsoft::WRL::ComPtr<IWbemLocator> locator;
  hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IWbemLocator,
                          reinterpret_cast<void**>(locator.GetAddressOf()));
  if (FAILED(hr)) {
    LogHexFailure("Failed to create IWbemLocator object. Err code = 0x", hr);
    return hr;
  }

  ScopedBstr namespace_name(wmi_namespace);
  hr = locator->ConnectServer(namespace_name.Get(), nullptr, nullptr, nullptr,
                              0, nullptr, nullptr,
                              services->ReleaseAndGetAddressOf());
  if (FAILED(hr)) {
    services->Reset();
    LogHexFailure("Could not connect. Error code = 0x", hr);
    return hr;
  }

  hr = ::CoSetProxyBlanket(services->Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE,
                           nullptr, RPC_C_AUTHN_LEVEL_CALL,
                           RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  if (FAILED(hr)) {
    LogHexFailure("Could not set proxy blanket. Error code = 0x", hr);
    return hr;
  }
  return S_OK;
}

HRESULT ExecWmiQuery(IWbemServices* services,
                     const std::wstring& query,
                     Microsoft::WRL::ComPtr<IEnumWbemClassObject>* result) {
  ScopedBstr language(L"WQL");
  ScopedBstr text(query);
  HRESULT hr =
      services->ExecQuery(language.Get(), text.Get(),
                          WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                          nullptr, result->ReleaseAndGetAddressOf());
  if (FAILED(hr)) {
    result->Reset();
    LOG(ERROR) << "ExecQuery failed with error = " << static_cast<long>(hr);
  }
  return hr;
}

void ForEachWmiObject(IEnumWbemClassObject* rows,
                      const std::function<void(IWbemClassObject*)>& visit) {
  for (;;) {
    Microsoft::WRL::ComPtr<IWbemClassObject> row;
    ULONG returned = 0;
    HRESULT hr = rows->Next(WBEM_INFINITE, 1, row.GetAddressOf(), &returned);
    if (hr != WBEM_S_NO_ERROR || returned == 0 || !row)
      return;
    visit(row.Get());
  }
}

}  // namespace win
}  // namespace base
