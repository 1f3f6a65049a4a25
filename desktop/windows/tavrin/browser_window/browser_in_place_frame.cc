#include "desktop/windows/tavrin/browser_window/browser_in_place_frame.h"

BrowserInPlaceFrame::BrowserInPlaceFrame(HWND window) : window_(window) {}
BrowserInPlaceFrame::~BrowserInPlaceFrame() = default;

STDMETHODIMP BrowserInPlaceFrame::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP BrowserInPlaceFrame::GetWindow(HWND* window) {
  if (!window)
    return E_POINTER;
  *window = window_;
  return S_OK;
}
STDMETHODIMP BrowserInPlaceFrame::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserInPlaceFrame::GetBorder(LPRECT) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserInPlaceFrame::RequestBorderSpace(LPCBORDERWIDTHS) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserInPlaceFrame::SetBorderSpace(LPCBORDERWIDTHS) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserInPlaceFrame::SetActiveObject(IOleInPlaceActiveObject*,
                                                  LPCOLESTR) {
  return S_OK;
}
STDMETHODIMP BrowserInPlaceFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserInPlaceFrame::SetMenu(HMENU, HOLEMENU, HWND) {
  return S_OK;
}
STDMETHODIMP BrowserInPlaceFrame::RemoveMenus(HMENU) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserInPlaceFrame::SetStatusText(LPCOLESTR) {
  return S_OK;
}
STDMETHODIMP BrowserInPlaceFrame::EnableModeless(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserInPlaceFrame::TranslateAccelerator(LPMSG, WORD) {
  return E_NOTIMPL;
}
