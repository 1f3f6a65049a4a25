#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_IN_PLACE_FRAME_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_IN_PLACE_FRAME_H_

#include <windows.h>

#include <oleidl.h>

#include "base/win/iunknown_impl.h"

// The in-place frame of the browser control: the pop-up window itself. The
// pop-up has no menus, borders or status bar, so those calls are accepted
// and ignored, or refused with E_NOTIMPL.
class BrowserInPlaceFrame : public base::win::IUnknownImpl,
                            public IOleInPlaceFrame {
 public:
  explicit BrowserInPlaceFrame(HWND window);

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IOleWindow:
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter_mode) override;
  // IOleInPlaceUIWindow:
  STDMETHODIMP GetBorder(LPRECT border) override;
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active_object,
                               LPCOLESTR object_name) override;
  // IOleInPlaceFrame:
  STDMETHODIMP InsertMenus(HMENU shared_menu,
                           LPOLEMENUGROUPWIDTHS menu_widths) override;
  STDMETHODIMP SetMenu(HMENU shared_menu,
                       HOLEMENU ole_menu,
                       HWND active_object_window) override;
  STDMETHODIMP RemoveMenus(HMENU shared_menu) override;
  STDMETHODIMP SetStatusText(LPCOLESTR text) override;
  STDMETHODIMP EnableModeless(BOOL enable) override;
  STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) override;

 private:
  ~BrowserInPlaceFrame() override;

  HWND window_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_IN_PLACE_FRAME_H_
