#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_SCRIPT_HANDLER_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_SCRIPT_HANDLER_H_

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/win/iunknown_impl.h"

class Notification;

// The hint page's window.external: an IDispatch with four methods. "accept",
// "dismiss" and "dontShowAgain" go to the shown notification; "getString"
// gives a localized text by name, so that the pages carry no text of their
// own. Called by the browser control on the UI thread.
class ScriptHandler : public base::win::IUnknownImpl, public IDispatch {
 public:
  // The page's arguments, last argument of the script call first; the caller
  // keeps ownership of them.
  using Arguments = std::vector<VARIANT>;
  // |result| may be null.
  using Method =
      std::function<void(const Arguments& arguments, VARIANT* result)>;

  // The DISPIDs of the methods.
  enum : DISPID {
    kAcceptId = 0,
    kDismissId = 1,
    kDontShowAgainId = 2,
    kGetStringId = 3,
  };

  explicit ScriptHandler(Notification* notification);

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IDispatch:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index,
                           LCID locale,
                           ITypeInfo** type_info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid,
                             LPOLESTR* names,
                             UINT count,
                             LCID locale,
                             DISPID* dispids) override;
  STDMETHODIMP Invoke(DISPID dispid,
                      REFIID riid,
                      LCID locale,
                      WORD flags,
                      DISPPARAMS* params,
                      VARIANT* result,
                      EXCEPINFO* exception,
                      UINT* argument_error) override;

  // getString(name): the text of |name| in the UI language, or null.
  void GetString(const Arguments& arguments, VARIANT* result);

 private:
  struct MethodEntry {
    std::wstring name;
    Method method;
  };

  ~ScriptHandler() override;

  std::map<std::string, UINT> string_ids_;
  scoped_refptr<Notification> notification_;
  std::vector<MethodEntry> methods_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_SCRIPT_HANDLER_H_
