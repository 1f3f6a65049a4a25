#ifndef DESKTOP_WINDOWS_TAVRIN_BASE_WINDOW_FACTORY_H_
#define DESKTOP_WINDOWS_TAVRIN_BASE_WINDOW_FACTORY_H_

#include <windows.h>

#include <memory>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/wrapped_window_proc.h"
#include "desktop/windows/tavrin/base_window.h"

// Creates a hidden window of the kind |WindowType|, a BaseWindow that names
// its window class (kClassName, kClassStyle), title (kWindowTitle) and styles
// (kStyle, kExStyle). The class is registered on the first call for that kind
// and kept until the process ends. Returns null (and logs) when the window
// cannot be created, including when the object's OnCreate refuses.
template <typename WindowType>
std::unique_ptr<WindowType> CreateBaseWindow(HINSTANCE instance, HWND parent) {
  static ATOM window_class_atom = 0;
  if (!window_class_atom) {
    WNDCLASSEXW window_class;
    base::win::InitializeWindowClass(
        WindowType::kClassName,
        &base::win::WrappedWindowProc<BaseWindow::WindowProc>,
        WindowType::kClassStyle, 0, 0, nullptr,
        static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)), nullptr, nullptr,
        nullptr, &window_class);
    window_class_atom = ::RegisterClassExW(&window_class);
    // A later call tries again; this one's creation below fails.
    if (!window_class_atom)
      LOG(ERROR) << "RegisterClass failed.";
  }

  std::unique_ptr<WindowType> window(new WindowType());
  HWND hwnd = ::CreateWindowExW(
      WindowType::kExStyle, MAKEINTATOM(window_class_atom),
      WindowType::kWindowTitle, WindowType::kStyle, 0, 0, 0, 0, parent, nullptr,
      instance, static_cast<BaseWindow*>(window.get()));
  if (!hwnd) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "Failed to construct window "
               << base::WideToUTF8(WindowType::kWindowTitle)
               << ", LastError = " << error;
    return nullptr;
  }
  return window;
}

#endif  // DESKTOP_WINDOWS_TAVRIN_BASE_WINDOW_FACTORY_H_
