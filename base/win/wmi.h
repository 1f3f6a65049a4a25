#ifndef BASE_WIN_WMI_H_
#define BASE_WIN_WMI_H_

#include <windows.h>

#include <wbemidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>

namespace base {
namespace win {

// Sets up a WMI connection to "ROOT\CIMV2" in the order both the notifier
// and the installer need it:
//   1. CoInitializeSecurity (default authentication, impersonation),
//   2. the WbemLocator (in-process server),
//   3. IWbemLocator::ConnectServer,
//   4. CoSetProxyBlanket (NTLM, call-level authentication, impersonation).
// A failing step logs its own error line (the result in hexadecimal after
// "0x") and its HRESULT is returned; later steps do not run. |services|
// receives the connection as soon as step 3 succeeds, so a caller whose
// proxy blanket failed still holds it. Returns S_OK when every step passed.
//
// COM allows CoInitializeSecurity once per process; on Windows a second
// connection in the same process fails at step 1 with RPC_E_TOO_LATE.
HRESULT ConnectToWmi(Microsoft::WRL::ComPtr<IWbemServices>* services);
// The same steps for another namespace; a namespace that does not exist
// fails at step 3 with "Could not connect. Error code = 0x".
HRESULT ConnectToWmi(const std::wstring& wmi_namespace,
                     Microsoft::WRL::ComPtr<IWbemServices>* services);

// Runs a WQL query with WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY
// and no context. A failure is logged as "ExecQuery failed with error = "
// and the result in signed decimal.
HRESULT ExecWmiQuery(IWbemServices* services,
                     const std::wstring& query,
                     Microsoft::WRL::ComPtr<IEnumWbemClassObject>* result);

// Takes the rows of |rows| one at a time, waiting without limit for each,
// and hands each to |visit| until Next answers anything but WBEM_S_NO_ERROR
// (the end of the rows or a failure). Each row is released after |visit|.
void ForEachWmiObject(IEnumWbemClassObject* rows,
                      const std::function<void(IWbemClassObject*)>& visit);

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WMI_H_
