#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_TEST_SCRIPT_CALL_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_TEST_SCRIPT_CALL_H_

#include <windows.h>

#include <dispex.h>
#include <mshtmhst.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "desktop/windows/tavrin/base_window.h"
#include "desktop/windows/tavrin/browser_window/browser_client_site.h"
#include "desktop/windows/tavrin/browser_window/browser_window.h"

// Under Wine the browser control renders nothing and never asks for
// window.external, so the tests play its script engine: they ask the
// document host for the external object and call it through IDispatch, as
// a page's "window.external.name(...)" would.
namespace tavrin_test {

// window.external of |site|, as the control gets it.
inline Microsoft::WRL::ComPtr<IDispatch> GetExternal(IOleClientSite* site) {
  Microsoft::WRL::ComPtr<IDocHostUIHandler> host;
  Microsoft::WRL::ComPtr<IDispatch> external;
  if (site && SUCCEEDED(site->QueryInterface(
                  IID_IDocHostUIHandler,
                  reinterpret_cast<void**>(host.GetAddressOf())))) {
    host->GetExternal(external.GetAddressOf());
  }
  return external;
}

// Whether a call carries the named argument DISPID_THIS (the object the
// method is called on), as a script engine may pass it.
enum class ThisArgument { kAbsent, kPassed };

// Calls |name| on |external| with |arguments| in script order (the first
// argument of the script call first) and returns the HRESULT of Invoke. The
// arguments stay owned by the caller, as the script engine's do.
inline HRESULT CallScript(IDispatch* external,
                          const wchar_t* name,
                          std::vector<VARIANT> arguments,
                          VARIANT* result = nullptr,
                          ThisArgument this_argument = ThisArgument::kAbsent) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr =
      external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr))
    return hr;
  // DISPPARAMS holds the named arguments first, then the last argument
  // first.
  std::reverse(arguments.begin(), arguments.end());
  DISPID named[] = {DISPID_THIS};
  UINT named_count = 0;
  if (this_argument == ThisArgument::kPassed) {
    VARIANT self;
    ::VariantInit(&self);
    V_VT(&self) = VT_DISPATCH;
    V_DISPATCH(&self) = external;
    arguments.insert(arguments.begin(), self);
    named_count = 1;
  }
  DISPPARAMS params = {arguments.empty() ? nullptr : arguments.data(),
                       named_count ? named : nullptr,
                       static_cast<UINT>(arguments.size()), named_count};
  return external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                          &params, result, nullptr, nullptr);
}

// The pop-ups open on this thread's desktop.
inline std::vector<BrowserWindow*> FindPopups() {
  std::vector<BrowserWindow*> popups;
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, BrowserWindow::kClassName,
                                   BrowserWindow::kWindowTitle))) {
    auto* base = reinterpret_cast<BaseWindow*>(
        ::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (base)
      popups.push_back(static_cast<BrowserWindow*>(base));
  }
  return popups;
}

// The ways a pop-up goes without its owner deleting it.
struct CloseRoute {
  const char* name;
  void (*close)(HWND window);
};
inline constexpr CloseRoute kCloseRoutes[] = {
    {"Alt+F4",
     [](HWND window) { ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"WM_CLOSE from another program",
     [](HWND window) { ::SendMessageW(window, WM_CLOSE, 0, 0); }},
    {"DestroyWindow", [](HWND window) { ::DestroyWindow(window); }},
};

inline VARIANT StringArgument(const wchar_t* text) {
  VARIANT value;
  ::VariantInit(&value);
  V_VT(&value) = VT_BSTR;
  V_BSTR(&value) = ::SysAllocString(text);
  return value;
}

inline VARIANT BoolArgument(bool flag) {
  VARIANT value;
  ::VariantInit(&value);
  V_VT(&value) = VT_BOOL;
  V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return value;
}

inline VARIANT IntArgument(long number) {
  VARIANT value;
  ::VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = number;
  return value;
}

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_TEST_SCRIPT_CALL_H_
