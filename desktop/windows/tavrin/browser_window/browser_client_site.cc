#include "desktop/windows/tavrin/browser_window/browser_client_site.h"

#include "desktop/windows/tavrin/browser_window/browser_in_place_frame.h"
#include "desktop/windows/tavrin/browser_window/script_handler.h"
#include "desktop/windows/tavrin/notification.h"

BrowserClientSite::BrowserClientSite(HWND window, Notification* notification)
    : window_(window),
      frame_(new BrowserInPlaceFrame(window)),
      notification_(notification) {}

// Members go in reverse order: the notification, the script bridge, then
// the frame.
BrowserClientSite::~BrowserClientSite() = default;

STDMETHODIMP BrowserClientSite::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (riid == IID_IOleInPlaceSite) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (riid == IID_IDocHostUIHandler) {
    *object = static_cast<IDocHostUIHandler*>(this);
  } else {
    return IUnknownImpl::QueryInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

// IOleClientSite.

STDMETHODIMP BrowserClientSite::SaveObject() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::GetMoniker(DWORD, DWORD, IMoniker**) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::GetContainer(IOleContainer** container) {
  if (container)
    *container = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP BrowserClientSite::ShowObject() {
  return S_OK;
}
STDMETHODIMP BrowserClientSite::OnShowWindow(BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::RequestNewObjectLayout() {
  return E_NOTIMPL;
}

// IOleInPlaceSite.

STDMETHODIMP BrowserClientSite::GetWindow(HWND* window) {
  if (!window)
    return E_POINTER;
  *window = window_;
  return S_OK;
}
STDMETHODIMP BrowserClientSite::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::CanInPlaceActivate() {
  return S_OK;
}
STDMETHODIMP BrowserClientSite::OnInPlaceActivate() {
  return S_OK;
}
STDMETHODIMP BrowserClientSite::OnUIActivate() {
  return S_OK;
}

STDMETHODIMP BrowserClientSite::GetWindowContext(
    IOleInPlaceFrame** frame,
    IOleInPlaceUIWindow** document,
    LPRECT position,
    LPRECT clip,
    LPOLEINPLACEFRAMEINFO frame_info) {
  if (!frame || !document || !position || !clip || !frame_info)
    return E_POINTER;
  frame_->QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame));
  *document = nullptr;
  // cb stays as the caller set it.
  frame_info->fMDIApp = FALSE;
  frame_info->hwndFrame = window_;
  frame_info->haccel = nullptr;
  frame_info->cAccelEntries = 0;
  RECT client = {};
  ::GetClientRect(window_, &client);
  *position = client;
  *clip = client;
  return S_OK;
}

STDMETHODIMP BrowserClientSite::Scroll(SIZE) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::OnUIDeactivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserClientSite::OnInPlaceDeactivate() {
  return S_OK;
}
STDMETHODIMP BrowserClientSite::DiscardUndoState() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::DeactivateAndUndo() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::OnPosRectChange(LPCRECT) {
  return S_OK;
}

// IDocHostUIHandler.

STDMETHODIMP BrowserClientSite::ShowContextMenu(DWORD,
                                                POINT*,
                                                IUnknown*,
                                                IDispatch*) {
  // S_OK tells the control that the host showed the menu: none appears.
  return S_OK;
}
STDMETHODIMP BrowserClientSite::GetHostInfo(DOCHOSTUIINFO*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::ShowUI(DWORD,
                                       IOleInPlaceActiveObject*,
                                       IOleCommandTarget*,
                                       IOleInPlaceFrame*,
                                       IOleInPlaceUIWindow*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::HideUI() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::UpdateUI() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::EnableModeless(BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::OnDocWindowActivate(BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::OnFrameWindowActivate(BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::ResizeBorder(LPCRECT,
                                             IOleInPlaceUIWindow*,
                                             BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::TranslateAccelerator(LPMSG,
                                                     const GUID*,
                                                     DWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::GetOptionKeyPath(LPOLESTR*, DWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::GetDropTarget(IDropTarget*, IDropTarget**) {
  return E_NOTIMPL;
}

STDMETHODIMP BrowserClientSite::GetExternal(IDispatch** dispatch) {
  if (!dispatch)
    return E_POINTER;
  if (!script_handler_)
    script_handler_ = new ScriptHandler(notification_.get());
  return script_handler_->QueryInterface(IID_IDispatch,
                                         reinterpret_cast<void**>(dispatch));
}

STDMETHODIMP BrowserClientSite::TranslateUrl(DWORD, LPWSTR, LPWSTR*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserClientSite::FilterDataObject(IDataObject*, IDataObject**) {
  return E_NOTIMPL;
}
