#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_CLIENT_SITE_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_CLIENT_SITE_H_

#include <windows.h>

#include <mshtmhst.h>
#include <oleidl.h>
#include <wrl/client.h>

#include "base/memory/ref_counted.h"
#include "base/win/iunknown_impl.h"

class BrowserInPlaceFrame;
class Notification;
class ScriptHandler;

// Where the pop-up's browser control lives: its client site, its in-place
// site (the pop-up's client area) and its document host, which shows no
// context menu and hands the page the script bridge as window.external.
class BrowserClientSite : public base::win::IUnknownImpl,
                          public IOleClientSite,
                          public IOleInPlaceSite,
                          public IDocHostUIHandler {
 public:
  // Creates its in-place frame for |window|.
  BrowserClientSite(HWND window, Notification* notification);

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IOleClientSite:
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD assign,
                          DWORD which_moniker,
                          IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL show) override;
  STDMETHODIMP RequestNewObjectLayout() override;

  // IOleWindow:
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter_mode) override;
  // IOleInPlaceSite:
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame,
                                IOleInPlaceUIWindow** document,
                                LPRECT position,
                                LPRECT clip,
                                LPOLEINPLACEFRAMEINFO frame_info) override;
  STDMETHODIMP Scroll(SIZE extent) override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override;
  STDMETHODIMP DeactivateAndUndo() override;
  STDMETHODIMP OnPosRectChange(LPCRECT position) override;

  // IDocHostUIHandler:
  STDMETHODIMP ShowContextMenu(DWORD id,
                               POINT* point,
                               IUnknown* command_target,
                               IDispatch* object) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD id,
                      IOleInPlaceActiveObject* active_object,
                      IOleCommandTarget* command_target,
                      IOleInPlaceFrame* frame,
                      IOleInPlaceUIWindow* document) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP EnableModeless(BOOL enable) override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
  STDMETHODIMP ResizeBorder(LPCRECT border,
                            IOleInPlaceUIWindow* window,
                            BOOL frame_window) override;
  STDMETHODIMP TranslateAccelerator(LPMSG message,
                                    const GUID* command_group,
                                    DWORD command_id) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  STDMETHODIMP GetDropTarget(IDropTarget* drop_target,
                             IDropTarget** result) override;
  STDMETHODIMP GetExternal(IDispatch** dispatch) override;
  STDMETHODIMP TranslateUrl(DWORD translate,
                            LPWSTR url_in,
                            LPWSTR* url_out) override;
  STDMETHODIMP FilterDataObject(IDataObject* data_object,
                                IDataObject** result) override;

 private:
  ~BrowserClientSite() override;

  HWND window_;
  Microsoft::WRL::ComPtr<BrowserInPlaceFrame> frame_;
  // Made on the page's first request, then kept for the site's life.
  Microsoft::WRL::ComPtr<ScriptHandler> script_handler_;
  scoped_refptr<Notification> notification_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_CLIENT_SITE_H_
