// Holds Wine's desktop for a whole test run. Wine starts its desktop process
// for the first program that needs one, and that process inherits the
// program's standard handles: started by a test, it keeps the test's output
// pipe open, so CTest waits for the desktop instead of the test. Started by
// tools/wine_env.sh with its output on /dev/null, this program is that first
// one, and its hidden window keeps the desktop in use until the run ends.
//
//   desktop_keeper.exe READY_FILE
//
// creates READY_FILE once its window exists, and with it the desktop, so
// that the environment is not handed to a test before.

#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"Tavrin Test Desktop Keeper";

LRESULT CALLBACK KeeperWindowProc(HWND window,
                                  UINT message,
                                  WPARAM wparam,
                                  LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t* command_line, int) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &KeeperWindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassExW(&window_class))
    return 1;
  // A top-level window, never shown: a message-only window would not need
  // the desktop.
  if (!::CreateWindowExW(0, kClassName, kClassName, WS_POPUP, 0, 0, 0, 0,
                         nullptr, nullptr, instance, nullptr)) {
    return 1;
  }
  if (command_line && *command_line) {
    HANDLE ready = ::CreateFileW(command_line, GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE)
      return 1;
    ::CloseHandle(ready);
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0)
    ::DispatchMessageW(&message);
  return 0;
}
