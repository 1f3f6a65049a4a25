#include "desktop/windows/tavrin/browser_window/browser_window.h"

#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/tavrin/browser_window/browser_client_site.h"
#include "desktop/windows/tavrin/browser_window/browser_storage.h"
#include "desktop/windows/tavrin/notification.h"

namespace {

// Lets the control show script-error and other dialogs (for page authors).
constexpr char kEnableErrorMessagesSwitch[] = "enable-error-messages";

BrowserWindow::OleCreateFunction g_ole_create_for_testing = nullptr;

}  // namespace

BrowserWindow::BrowserWindow() : alive_(std::make_shared<bool>(true)) {}

BrowserWindow::~BrowserWindow() {
  // The owner is deleting us: there is nothing left to tell it.
  closed_callback_ = nullptr;
  if (ole_object_)
    ole_object_->SetClientSite(nullptr);
  DestroyWindowIfExists();
  notification_.reset();
  web_browser_.Reset();
  ole_object_.Reset();
  client_site_.Reset();
  storage_.Reset();
}

LRESULT BrowserWindow::OnMessage(HWND hwnd,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      if (closed_callback_) {
        ReportClosed();
        return 0;
      }
      break;
    case WM_DESTROY:
      // The handle may be reused from now on; the delayed show must not
      // touch it.
      alive_.reset();
      ReportClosed();
      break;
  }
  return BaseWindow::OnMessage(hwnd, message, wparam, lparam);
}

void BrowserWindow::SetClosedCallback(base::OnceClosure callback) {
  closed_callback_ = std::move(callback);
}

void BrowserWindow::ReportClosed() {
  base::OnceClosure callback;
  callback.swap(closed_callback_);
  if (callback)
    callback();
}

void BrowserWindow::SetNotification(Notification* notification) {
  const int height = notification->height();
  RECT work_area = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0);
  const int x = work_area.right - kMargin - kWidth;
  const int y = work_area.bottom - kMargin - height;

  HWND window = hwnd();
  ::SetWindowPos(window, HWND_TOPMOST, x, y, kWidth, height, 0);
  // The window owns the region from here on.
  HRGN region = ::CreateRoundRectRgn(0, 0, kWidth, height, kCornerEllipse,
                                     kCornerEllipse);
  if (region && !::SetWindowRgn(window, region, TRUE))
    ::DeleteObject(region);

  std::weak_ptr<bool> alive = alive_;
  base::MessageLoop::current()->task_runner()->PostDelayedTask(
      FROM_HERE_WITH_EXPLICIT_FUNCTION("BrowserWindow::SetNotification"),
      [alive, window, x, y, height] {
        if (alive.expired())
          return;
        ::SetWindowPos(window, HWND_TOPMOST, x, y, kWidth, height,
                       SWP_SHOWWINDOW);
      },
      base::TimeDelta::FromSeconds(kShowDelaySeconds));

  notification_ = notification;
  Navigate();
}

bool BrowserWindow::CreateBrowserControl() {
  if (client_site_)
    return true;

  client_site_ = new BrowserClientSite(hwnd(), notification_.get());
  storage_ = new BrowserStorage();

  OleCreateFunction ole_create =
      g_ole_create_for_testing ? g_ole_create_for_testing : &::OleCreate;
  HRESULT hr = ole_create(
      CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr,
      static_cast<IOleClientSite*>(client_site_.Get()),
      static_cast<IStorage*>(storage_.Get()),
      reinterpret_cast<void**>(ole_object_.ReleaseAndGetAddressOf()));
  if (FAILED(hr) || !ole_object_) {
    LOG(ERROR) << "OleCreate failed w/err " << hr;
    ole_object_.Reset();
    return false;
  }

  RECT client = {};
  ::GetClientRect(hwnd(), &client);

  hr = ::OleSetContainedObject(ole_object_.Get(), TRUE);
  if (FAILED(hr)) {
    LOG(ERROR) << "OleSetContainedObject failed w/err " << hr;
    return false;
  }
  hr = ole_object_->DoVerb(OLEIVERB_SHOW, nullptr,
                           static_cast<IOleClientSite*>(client_site_.Get()), 0,
                           hwnd(), &client);
  if (FAILED(hr)) {
    LOG(ERROR) << "DoVerb failed w/err " << hr;
    return false;
  }
  hr = ole_object_->QueryInterface(
      IID_IWebBrowser2,
      reinterpret_cast<void**>(web_browser_.ReleaseAndGetAddressOf()));
  if (FAILED(hr) || !web_browser_) {
    LOG(ERROR) << "QueryInterface IID_IWebBrowser2 failed w/err " << hr;
    web_browser_.Reset();
    return false;
  }

  web_browser_->put_Left(0);
  web_browser_->put_Top(0);
  web_browser_->put_Width(client.right);
  web_browser_->put_Height(client.bottom);
  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  if (!command_line || !command_line->HasSwitch(kEnableErrorMessagesSwitch))
    web_browser_->put_Silent(VARIANT_TRUE);
  return true;
}

bool BrowserWindow::Navigate() {
  CreateBrowserControl();
  if (!web_browser_ || !notification_)
    return false;

  std::wstring url = NavigationUrl(*notification_);
  base::win::ScopedVariant target(url);
  HRESULT hr = web_browser_->Navigate2(const_cast<VARIANT*>(&target.Get()),
                                       nullptr, nullptr, nullptr, nullptr);
  if (hr != S_OK) {
    LOG(ERROR) << "Failed to Navigate2 to " << base::WideToUTF8(url);
    return false;
  }
  return true;
}

// static
std::wstring BrowserWindow::NavigationUrl(const Notification& notification) {
  std::wstring url = base::UTF8ToWide(notification.url());
  if (!notification.variant().empty())
    url += L"#" + base::UTF8ToWide(notification.variant());
  return url;
}

// static
void BrowserWindow::SetOleCreateForTesting(OleCreateFunction function) {
  g_ole_create_for_testing = function;
}
