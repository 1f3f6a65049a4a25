// Stands in for a notifier that hangs: with the argument "window" it shows
// the notifier's main window (class and title) and ignores WM_CLOSE; without
// it, it has no window at all. Either way it ends by itself after a minute,
// so that a failing test leaves nothing running for long.

#include <windows.h>

#include <cwchar>

namespace {

constexpr wchar_t kClassName[] = L"Ulvena Tavrin Main Window Class";
constexpr wchar_t kWindowTitle[] = L"Ulvena Tavrin Main Window";
constexpr UINT kLifetimeMs = 60000;

LRESULT CALLBACK WindowProc(HWND window,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam) {
  if (message == WM_CLOSE)
    return 0;
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t* command_line, int) {
  if (wcsstr(command_line, L"window")) {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = &WindowProc;
    window_class.hInstance = instance;
    window_class.lpszClassName = kClassName;
    if (!::RegisterClassW(&window_class))
      return 1;
    if (!::CreateWindowW(kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0,
                         10, 10, nullptr, nullptr, instance, nullptr)) {
      return 1;
    }
  }
  const DWORD end = ::GetTickCount() + kLifetimeMs;
  MSG message;
  while (::GetTickCount() < end) {
    if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 500, QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    }
  }
  return 0;
}
