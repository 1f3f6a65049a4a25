#ifndef BASE_WIN_WRAPPED_WINDOW_PROC_H_
#define BASE_WIN_WRAPPED_WINDOW_PROC_H_

#include <windows.h>

namespace base {
namespace win {

// Decides what happens to a structured exception raised inside a window
// procedure: EXCEPTION_EXECUTE_HANDLER swallows it, EXCEPTION_CONTINUE_SEARCH
// (the default) lets it go on to the system.
using WinProcExceptionFilter = int (*)(EXCEPTION_POINTERS* info);

// Installs |filter| and returns the one it replaces (null: none).
WinProcExceptionFilter SetWinProcExceptionFilter(WinProcExceptionFilter filter);

// Runs the installed filter; EXCEPTION_CONTINUE_SEARCH when none is set.
int CallExceptionFilter(EXCEPTION_POINTERS* info);

// Fills |class_out| for RegisterClassExW with the module that holds
// |window_proc| as the class instance.
void InitializeWindowClass(const wchar_t* class_name,
                           WNDPROC window_proc,
                           UINT style,
                           int class_extra,
                           int window_extra,
                           HCURSOR cursor,
                           HBRUSH background,
                           const wchar_t* menu_name,
                           HICON large_icon,
                           HICON small_icon,
                           WNDCLASSEXW* class_out);

// A window procedure that runs |proc|. GCC has no __try/__except, so the
// exception filter cannot be put around the call here; with the default
// filter, which passes every exception on, the outcome is the same: the
// exception reaches the system's unhandled-exception handling.
template <WNDPROC proc>
LRESULT CALLBACK
WrappedWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return proc(hwnd, message, wparam, lparam);
}

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WRAPPED_WINDOW_PROC_H_
