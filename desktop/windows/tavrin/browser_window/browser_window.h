#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_WINDOW_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_WINDOW_H_

#include <windows.h>

#include <exdisp.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "desktop/windows/tavrin/base_window.h"

class BrowserClientSite;
class BrowserStorage;
class Notification;

// The hint's pop-up: a topmost window in the bottom-right corner of the work
// area, with rounded corners, that embeds the system's web-browser control
// and navigates it to the hint's local page. Created hidden by
// CreateBaseWindow; shown one second after SetNotification.
class BrowserWindow : public BaseWindow {
 public:
  static constexpr wchar_t kClassName[] =
      L"Ulvena Tavrin Notification Embedded Browser Window Class";
  static constexpr wchar_t kWindowTitle[] =
      L"Ulvena Tavrin Notification Embedded Browser Window";
  static constexpr UINT kClassStyle = CS_OWNDC | CS_DROPSHADOW;
  static constexpr DWORD kStyle = WS_POPUP;
  static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_NOPARENTNOTIFY;

  static constexpr int kWidth = 280;
  static constexpr int kMargin = 12;
  static constexpr int kCornerEllipse = 6;
  static constexpr int kShowDelaySeconds = 1;

  BrowserWindow();
  ~BrowserWindow();

  LRESULT OnMessage(HWND hwnd,
                    UINT message,
                    WPARAM wparam,
                    LPARAM lparam) override;

  // Places, sizes and shapes the (hidden) pop-up for |notification|,
  // schedules its showing and navigates the control to its page.
  void SetNotification(Notification* notification);

  // |callback| runs, at most once, when the pop-up is closed by anything but
  // the deletion of this object: WM_CLOSE (Alt+F4 or another program) or its
  // window destroyed. The owner then deletes this object later, from a task
  // of its own: the callback runs on this window's procedure. While a
  // callback is set, WM_CLOSE leaves the window to the owner, so that the
  // control is taken down before its window.
  void SetClosedCallback(base::OnceClosure callback);

  // Creates the site objects and the control; true at once when they exist
  // already (even if an earlier attempt failed half-way).
  bool CreateBrowserControl();
  // Creates the control if needed and navigates it to the notification's
  // page; false when there is no usable control or navigation failed.
  bool Navigate();

  // The address the control is sent to: the page, then "#" and the variant
  // when one was chosen.
  static std::wstring NavigationUrl(const Notification& notification);

  Notification* notification() const { return notification_.get(); }
  IWebBrowser2* web_browser() const { return web_browser_.Get(); }
  // Tests reach the page's side through it, as the control would.
  BrowserClientSite* client_site() const { return client_site_.Get(); }

  // Tests only: |function| replaces OleCreate when creating the control (null
  // restores it), so that a control that cannot be created can be tried.
  using OleCreateFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID clsid,
                                                     REFIID riid,
                                                     DWORD render_option,
                                                     LPFORMATETC format,
                                                     LPOLECLIENTSITE site,
                                                     LPSTORAGE storage,
                                                     LPVOID* object);
  static void SetOleCreateForTesting(OleCreateFunction function);

 private:
  void ReportClosed();

  Microsoft::WRL::ComPtr<BrowserStorage> storage_;
  // Present once creating the control has been tried.
  Microsoft::WRL::ComPtr<BrowserClientSite> client_site_;
  Microsoft::WRL::ComPtr<IOleObject> ole_object_;
  Microsoft::WRL::ComPtr<IWebBrowser2> web_browser_;
  scoped_refptr<Notification> notification_;
  // The delayed show holds a weak reference, so that it never touches a
  // window handle that has since been reused for another window.
  std::shared_ptr<bool> alive_;
  base::OnceClosure closed_callback_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_WINDOW_H_
