// The control's side of the pop-up, called as the browser control calls it:
// under Wine the control renders nothing and never asks for window.external,
// so these tests make its calls themselves.

#include <windows.h>

#include <mshtmhst.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "base/json/json_reader.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/browser_window/browser_client_site.h"
#include "desktop/windows/tavrin/browser_window/browser_in_place_frame.h"
#include "desktop/windows/tavrin/browser_window/browser_storage.h"
#include "desktop/windows/tavrin/browser_window/script_handler.h"
#include "desktop/windows/tavrin/browser_window/test/script_call.h"
#include "desktop/windows/tavrin/notification.h"
#include "gtest/gtest.h"

namespace {

using Microsoft::WRL::ComPtr;
using tavrin_test::CallScript;

scoped_refptr<Notification> MakeNotification() {
  return new Notification("ads", base::JSONReader::Read("{}").value(), nullptr);
}

// A real window for the sites to report.
class SiteTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = ::CreateWindowExW(0, L"STATIC", L"site test", WS_POPUP, 0, 0, 280,
                                150, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window_);
  }
  void TearDown() override { ::DestroyWindow(window_); }
  HWND window_ = nullptr;
};

template <typename Interface>
ComPtr<Interface> Query(IUnknown* object, REFIID iid, HRESULT* hr) {
  ComPtr<Interface> result;
  void* raw = reinterpret_cast<void*>(1);  // Must be cleared on refusal.
  *hr = object->QueryInterface(iid, &raw);
  result.Attach(static_cast<Interface*>(raw));
  return result;
}

TEST_F(SiteTest, StorageAcceptsOnlyItsClass) {
  ComPtr<BrowserStorage> storage = new BrowserStorage();
  IStorage* as_storage = storage.Get();
  HRESULT hr;
  EXPECT_TRUE(Query<IStorage>(as_storage, IID_IStorage, &hr));
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(Query<IStream>(as_storage, IID_IStream, &hr));
  EXPECT_EQ(hr, E_NOINTERFACE);
  EXPECT_EQ(as_storage->SetClass(CLSID_NULL), S_OK);
  IStream* stream = nullptr;
  EXPECT_EQ(as_storage->CreateStream(L"x", 0, 0, 0, &stream), E_NOTIMPL);
  EXPECT_EQ(as_storage->Commit(0), E_NOTIMPL);
  EXPECT_EQ(as_storage->Stat(nullptr, 0), E_NOTIMPL);
}

TEST_F(SiteTest, FrameIsThePopupWithoutMenusOrBorders) {
  ComPtr<BrowserInPlaceFrame> frame = new BrowserInPlaceFrame(window_);
  IOleInPlaceFrame* as_frame = frame.Get();
  HWND hwnd = nullptr;
  EXPECT_EQ(as_frame->GetWindow(&hwnd), S_OK);
  EXPECT_EQ(hwnd, window_);
  EXPECT_EQ(as_frame->SetMenu(nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(as_frame->SetActiveObject(nullptr, nullptr), S_OK);
  EXPECT_EQ(as_frame->SetStatusText(L"x"), S_OK);
  EXPECT_EQ(as_frame->EnableModeless(TRUE), S_OK);
  EXPECT_EQ(as_frame->InsertMenus(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(as_frame->GetBorder(nullptr), E_NOTIMPL);
  EXPECT_EQ(as_frame->TranslateAccelerator(nullptr, 0), E_NOTIMPL);
  HRESULT hr;
  EXPECT_FALSE(Query<IOleInPlaceUIWindow>(as_frame, IID_IOleInPlaceSite, &hr));
  EXPECT_EQ(hr, E_NOINTERFACE);
}

TEST_F(SiteTest, ClientSiteIsOneObjectBehindThreeInterfaces) {
  ComPtr<BrowserClientSite> site =
      new BrowserClientSite(window_, MakeNotification().get());
  IOleClientSite* client = site.Get();
  HRESULT hr;
  ComPtr<IOleInPlaceSite> in_place =
      Query<IOleInPlaceSite>(client, IID_IOleInPlaceSite, &hr);
  ASSERT_TRUE(in_place);
  ComPtr<IDocHostUIHandler> host =
      Query<IDocHostUIHandler>(in_place.Get(), IID_IDocHostUIHandler, &hr);
  ASSERT_TRUE(host);
  ComPtr<IUnknown> identity1 = Query<IUnknown>(client, IID_IUnknown, &hr);
  ComPtr<IUnknown> identity2 = Query<IUnknown>(host.Get(), IID_IUnknown, &hr);
  EXPECT_EQ(identity1.Get(), identity2.Get());
  EXPECT_FALSE(Query<IOleInPlaceFrame>(client, IID_IOleInPlaceFrame, &hr));
  EXPECT_EQ(hr, E_NOINTERFACE);

  IOleContainer* container = reinterpret_cast<IOleContainer*>(1);
  EXPECT_EQ(client->GetContainer(&container), E_NOINTERFACE);
  EXPECT_EQ(container, nullptr);
  EXPECT_EQ(client->ShowObject(), S_OK);
  EXPECT_EQ(client->SaveObject(), E_NOTIMPL);

  HWND hwnd = nullptr;
  EXPECT_EQ(in_place->GetWindow(&hwnd), S_OK);
  EXPECT_EQ(hwnd, window_);
  EXPECT_EQ(in_place->CanInPlaceActivate(), S_OK);
  EXPECT_EQ(in_place->OnUIDeactivate(FALSE), S_OK);
  EXPECT_EQ(in_place->Scroll(SIZE{1, 1}), E_NOTIMPL);
  // No context menu: the host answers that it handled it.
  POINT point = {5, 5};
  EXPECT_EQ(host->ShowContextMenu(0, &point, nullptr, nullptr), S_OK);
  EXPECT_EQ(host->GetHostInfo(nullptr), E_NOTIMPL);
}

TEST_F(SiteTest, WindowContextIsThePopupsClientArea) {
  ComPtr<BrowserClientSite> site =
      new BrowserClientSite(window_, MakeNotification().get());
  IOleInPlaceSite* in_place = site.Get();
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
  RECT position = {}, clip = {};
  OLEINPLACEFRAMEINFO info = {};
  info.cb = 1234;
  info.fMDIApp = TRUE;
  info.cAccelEntries = 9;
  ASSERT_EQ(
      in_place->GetWindowContext(&frame, &document, &position, &clip, &info),
      S_OK);
  ASSERT_TRUE(frame);
  HWND frame_window = nullptr;
  frame->GetWindow(&frame_window);
  EXPECT_EQ(frame_window, window_);
  frame->Release();
  EXPECT_EQ(document, nullptr);
  EXPECT_EQ(info.cb, 1234u);
  EXPECT_FALSE(info.fMDIApp);
  EXPECT_EQ(info.hwndFrame, window_);
  EXPECT_EQ(info.haccel, nullptr);
  EXPECT_EQ(info.cAccelEntries, 0u);
  EXPECT_EQ(position.right, 280);
  EXPECT_EQ(position.bottom, 150);
  EXPECT_TRUE(::EqualRect(&position, &clip));
}

TEST_F(SiteTest, ExternalIsOneScriptBridgeForTheSitesLife) {
  ComPtr<BrowserClientSite> site =
      new BrowserClientSite(window_, MakeNotification().get());
  ComPtr<IDispatch> first = tavrin_test::GetExternal(site.Get());
  ComPtr<IDispatch> second = tavrin_test::GetExternal(site.Get());
  ASSERT_TRUE(first);
  EXPECT_EQ(first.Get(), second.Get());
}

class ScriptHandlerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { RcL10nHandler::GetInstance()->Init(L"en"); }
  void SetUp() override {
    notification_ = MakeNotification();
    handler_ = new ScriptHandler(notification_.get());
  }
  ComPtr<IDispatch> dispatch() {
    ComPtr<IDispatch> result;
    handler_->QueryInterface(IID_IDispatch,
                             reinterpret_cast<void**>(result.GetAddressOf()));
    return result;
  }
  HRESULT Ids(std::vector<const wchar_t*> names, std::vector<DISPID>* ids) {
    ids->assign(names.size(), -7);
    return dispatch()->GetIDsOfNames(IID_NULL,
                                     const_cast<LPOLESTR*>(names.data()),
                                     names.size(), 0, ids->data());
  }

  scoped_refptr<Notification> notification_;
  ComPtr<ScriptHandler> handler_;
};

TEST_F(ScriptHandlerTest, NamesAreMatchedExactly) {
  std::vector<DISPID> ids;
  EXPECT_EQ(Ids({L"getString"}, &ids), S_OK);
  EXPECT_EQ(ids, std::vector<DISPID>({3}));
  EXPECT_EQ(Ids({L"GetString"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Ids({L"accept", L"getString"}, &ids), S_OK);
  EXPECT_EQ(ids, std::vector<DISPID>({0, 3}));
  EXPECT_EQ(Ids({L"accept", L"close", L"dismiss"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids, std::vector<DISPID>({0, -7, -7}));
  EXPECT_EQ(Ids({L"dismiss", L"dontShowAgain"}, &ids), S_OK);
  EXPECT_EQ(ids, std::vector<DISPID>({1, 2}));
}

TEST_F(ScriptHandlerTest, InvokeRunsOnlyMethodsOfTheTable) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ComPtr<IDispatch> external = dispatch();
  EXPECT_EQ(external->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(external->Invoke(-1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(external->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                             nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  UINT count = 5;
  EXPECT_EQ(external->GetTypeInfoCount(&count), E_NOTIMPL);

  // Each of the first three reaches the notification.
  base::TestLogCapture log;
  EXPECT_EQ(CallScript(external.Get(), L"accept", {}), S_OK);
  EXPECT_EQ(CallScript(external.Get(), L"dismiss", {}), S_OK);
  EXPECT_EQ(CallScript(external.Get(), L"dontShowAgain", {}), S_OK);
  std::vector<std::string> answers;
  for (const auto& message : log.messages())
    answers.push_back(message.text);
  EXPECT_EQ(answers, std::vector<std::string>(
                         {"OnAccept", "OnDismiss", "OnDontShowAgain"}));
}

TEST_F(ScriptHandlerTest, GetStringGivesTheLocalizedText) {
  ComPtr<IDispatch> external = dispatch();
  base::TestLogCapture log;
  VARIANT result;
  ::VariantInit(&result);
  VARIANT name = tavrin_test::StringArgument(L"hint_button_try");
  EXPECT_EQ(CallScript(external.Get(), L"getString", {name}, &result), S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&result)),
            RcL10nHandler::GetInstance()->GetString(38008));
  EXPECT_EQ(std::wstring(V_BSTR(&result)), L"Try");
  ::VariantClear(&result);

  // The argument DISPPARAMS holds first is the script's last.
  VARIANT other = tavrin_test::StringArgument(L"a");
  EXPECT_EQ(CallScript(external.Get(), L"getString", {other, name}, &result),
            S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&result)), L"Try");
  ::VariantClear(&result);
  // A named argument, held before the positional ones, is not the page's.
  EXPECT_EQ(CallScript(external.Get(), L"getString", {name}, &result,
                       tavrin_test::ThisArgument::kPassed),
            S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&result)), L"Try");
  ::VariantClear(&result);
  VARIANT last = tavrin_test::StringArgument(L"place_url_argentina");
  EXPECT_EQ(CallScript(external.Get(), L"getString", {last}, &result), S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&result)),
            RcL10nHandler::GetInstance()->GetString(38027));
  EXPECT_FALSE(std::wstring(V_BSTR(&result)).empty());
  ::VariantClear(&result);
  EXPECT_TRUE(log.messages().empty());

  VARIANT unknown = tavrin_test::StringArgument(L"nothing");
  EXPECT_EQ(CallScript(external.Get(), L"getString", {unknown}, &result), S_OK);
  EXPECT_EQ(V_VT(&result), VT_NULL);
  EXPECT_TRUE(log.Contains(logging::LOG_WARNING,
                           "Tring to obtain unknown string nothing"));

  log.Clear();
  V_VT(&result) = VT_EMPTY;
  EXPECT_EQ(CallScript(external.Get(), L"getString",
                       {tavrin_test::IntArgument(42)}, &result),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_NULL);
  V_VT(&result) = VT_EMPTY;
  EXPECT_EQ(CallScript(external.Get(), L"getString", {}, &result), S_OK);
  EXPECT_EQ(V_VT(&result), VT_NULL);
  // Without a result location nothing is written or looked up.
  EXPECT_EQ(CallScript(external.Get(), L"getString", {unknown}), S_OK);
  EXPECT_TRUE(log.messages().empty());

  for (VARIANT* argument : {&name, &other, &last, &unknown})
    ::VariantClear(argument);
}

TEST_F(ScriptHandlerTest, TheBridgeKeepsItsNotificationAlive) {
  EXPECT_FALSE(notification_->HasOneRef());
  handler_.Reset();
  EXPECT_TRUE(notification_->HasOneRef());
}

}  // namespace
