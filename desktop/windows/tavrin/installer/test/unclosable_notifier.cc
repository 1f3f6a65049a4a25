// Stands in for a notifier that hangs or is slow to close: with the argument
// "window" it shows the notifier's main window (class and title) and ignores
// WM_CLOSE; with "slow" as well, WM_CLOSE destroys the window at once and
// the process ends by itself kSlowExitMs later with kSlowExitCode, as a
// notifier does that still removes its tray icon and saves its state.
// Without "window" it has no window at all. Either way it ends by itself
// after a minute, so that a failing test leaves nothing running for long.

#include <windows.h>

#include <cwchar>

namespace {

constexpr wchar_t kClassName[] = L"Ulvena Tavrin Main Window Class";
constexpr wchar_t kWindowTitle[] = L"Ulvena Tavrin Main Window";
constexpr DWORD kLifetimeMs = 60000;
constexpr DWORD kSlowExitMs = 3000;
// Not 0, the code the installer terminates with.
constexpr int kSlowExitCode = 3;

bool g_slow = false;
DWORD g_end = 0;
int g_exit_code = 0;

LRESULT CALLBACK WindowProc(HWND window,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam) {
  if (message == WM_CLOSE) {
    if (g_slow) {
      ::DestroyWindow(window);
      g_end = ::GetTickCount() + kSlowExitMs;
      g_exit_code = kSlowExitCode;
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t* command_line, int) {
  g_end = ::GetTickCount() + kLifetimeMs;
  g_slow = wcsstr(command_line, L"slow") != nullptr;
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
  MSG message;
  while (static_cast<int>(g_end - ::GetTickCount()) > 0) {
    if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    }
  }
  return g_exit_code;
}
