#include "desktop/windows/tavrin/browser_window/script_handler.h"

#include <cstring>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/notification.h"

namespace {

// The texts a page may ask for, by the names the pages use; their string
// ids run from 38001 in this order.
constexpr const char* kStringNames[] = {
    "hint_message_battery_browser",
    "hint_message_battery_50p",
    "hint_message_battery_hour",
    "hint_message_ads_browser",
    "hint_message_ads_block",
    "hint_message_ads_enjoy",
    "hint_message_places",
    "hint_button_try",
    "hint_button_save_battery",
    "hint_button_block_ads",
    "hint_button_places_show_more",
    "hint_checkbox_dont_show_again",
    "place_url_iceland",
    "place_url_thailand",
    "place_url_australia",
    "place_url_norway",
    "place_url_china",
    "place_url_chile",
    "place_url_peru",
    "place_url_croatia",
    "place_url_usa",
    "place_url_new_zealand",
    "place_url_italy",
    "place_url_spain",
    "place_url_germany",
    "place_url_canada",
    "place_url_argentina",
};
constexpr UINT kFirstStringId = 38001;

std::string BstrToUTF8(BSTR text) {
  if (!text)
    return std::string();
  return base::WideToUTF8(std::wstring_view(text, ::SysStringLen(text)));
}

}  // namespace

ScriptHandler::ScriptHandler(Notification* notification)
    : notification_(notification) {
  UINT id = kFirstStringId;
  for (const char* name : kStringNames)
    string_ids_[name] = id++;

  // Each call-back keeps the notification alive for as long as the table.
  scoped_refptr<Notification> shown(notification);
  methods_.push_back({L"accept", [shown](const Arguments& arguments, VARIANT*) {
                        shown->OnAccept(arguments);
                      }});
  methods_.push_back(
      {L"dismiss", [shown](const Arguments& arguments, VARIANT*) {
         shown->OnDismiss(arguments);
       }});
  methods_.push_back(
      {L"dontShowAgain", [shown](const Arguments& arguments, VARIANT*) {
         shown->OnDontShowAgain(arguments);
       }});
  methods_.push_back(
      {L"getString", [this](const Arguments& arguments, VARIANT* result) {
         GetString(arguments, result);
       }});
}

ScriptHandler::~ScriptHandler() = default;

STDMETHODIMP ScriptHandler::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP ScriptHandler::GetTypeInfoCount(UINT* count) {
  return E_NOTIMPL;
}

STDMETHODIMP ScriptHandler::GetTypeInfo(UINT index,
                                        LCID locale,
                                        ITypeInfo** type_info) {
  return E_NOTIMPL;
}

STDMETHODIMP ScriptHandler::GetIDsOfNames(REFIID riid,
                                          LPOLESTR* names,
                                          UINT count,
                                          LCID locale,
                                          DISPID* dispids) {
  if (count && (!names || !dispids))
    return E_POINTER;
  for (UINT i = 0; i < count; ++i) {
    const wchar_t* name = names[i] ? names[i] : L"";
    bool found = false;
    for (size_t entry = 0; entry < methods_.size(); ++entry) {
      if (methods_[entry].name == name) {
        dispids[i] = static_cast<DISPID>(entry);
        found = true;
        break;
      }
    }
    if (!found)
      return DISP_E_UNKNOWNNAME;
  }
  return S_OK;
}

STDMETHODIMP ScriptHandler::Invoke(DISPID dispid,
                                   REFIID riid,
                                   LCID locale,
                                   WORD flags,
                                   DISPPARAMS* params,
                                   VARIANT* result,
                                   EXCEPINFO* exception,
                                   UINT* argument_error) {
  if (!(flags & DISPATCH_METHOD))
    return DISP_E_MEMBERNOTFOUND;
  if (dispid < 0 || static_cast<size_t>(dispid) >= methods_.size())
    return DISP_E_MEMBERNOTFOUND;

  // Shallow copies: the caller owns the arguments and clears them itself.
  // The named arguments (a script engine may pass DISPID_THIS) come first in
  // rgvarg; only the positional ones after them are the page's.
  Arguments arguments;
  if (params && params->rgvarg && params->cArgs > params->cNamedArgs) {
    arguments.assign(params->rgvarg + params->cNamedArgs,
                     params->rgvarg + params->cArgs);
  }
  // The call-back may close the pop-up (posted) and so drop the site's
  // reference on us; the script engine holds its own while it calls.
  methods_[dispid].method(arguments, result);
  return S_OK;
}

void ScriptHandler::GetString(const Arguments& arguments, VARIANT* result) {
  if (!result)
    return;
  ::VariantInit(result);
  V_VT(result) = VT_NULL;
  if (arguments.empty() || V_VT(&arguments[0]) != VT_BSTR)
    return;

  std::string name = BstrToUTF8(V_BSTR(&arguments[0]));
  auto found = string_ids_.find(name);
  if (found == string_ids_.end()) {
    LOG(WARNING) << "Tring to obtain unknown string " << name;
    return;
  }
  std::wstring text = RcL10nHandler::GetInstance()->GetString(found->second);
  BSTR value = ::SysAllocStringLen(text.data(), text.size());
  if (!value)
    return;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = value;
}
