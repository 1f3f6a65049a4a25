#include "desktop/windows/tavrin/base_window.h"

BaseWindow::BaseWindow() = default;

BaseWindow::~BaseWindow() {
  DestroyWindowIfExists();
}

void BaseWindow::DestroyWindowIfExists() {
  if (hwnd_)
    ::DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

// static
LRESULT CALLBACK BaseWindow::WindowProc(HWND hwnd,
                                        UINT message,
                                        WPARAM wparam,
                                        LPARAM lparam) {
  BaseWindow* window = nullptr;
  if (message == WM_CREATE) {
    window = static_cast<BaseWindow*>(
        reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
  } else {
    window =
        reinterpret_cast<BaseWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_CREATE have no object yet.
  if (!window)
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return window->OnMessage(hwnd, message, wparam, lparam);
}

LRESULT BaseWindow::OnMessage(HWND hwnd,
                              UINT message,
                              WPARAM wparam,
                              LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(this));
      if (!OnCreate())
        return -1;
      break;
    case WM_DESTROY:
      hwnd_ = nullptr;
      break;
    case WM_NCDESTROY:
      // The object may outlive its window; no later message may find it.
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      // Not every system sends WM_DESTROY to a window whose creation was
      // refused; its dead handle must not stay behind for the destructor.
      hwnd_ = nullptr;
      break;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

bool BaseWindow::OnCreate() {
  return true;
}
