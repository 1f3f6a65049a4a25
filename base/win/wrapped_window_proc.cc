#include "base/win/wrapped_window_proc.h"

#include <atomic>

namespace base {
namespace win {

namespace {

std::atomic<WinProcExceptionFilter> g_exception_filter{nullptr};

HMODULE GetModuleFromAddress(void* address) {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<const wchar_t*>(address), &module);
  return module;
}

}  // namespace

WinProcExceptionFilter SetWinProcExceptionFilter(
    WinProcExceptionFilter filter) {
  return g_exception_filter.exchange(filter);
}

int CallExceptionFilter(EXCEPTION_POINTERS* info) {
  WinProcExceptionFilter filter = g_exception_filter.load();
  return filter ? filter(info) : EXCEPTION_CONTINUE_SEARCH;
}

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
                           WNDCLASSEXW* class_out) {
  *class_out = {};
  class_out->cbSize = sizeof(WNDCLASSEXW);
  class_out->style = style;
  class_out->lpfnWndProc = window_proc;
  class_out->cbClsExtra = class_extra;
  class_out->cbWndExtra = window_extra;
  // The class belongs to the module that holds the window procedure, so a
  // class registered from a library is found again by that module.
  class_out->hInstance =
      GetModuleFromAddress(reinterpret_cast<void*>(window_proc));
  class_out->hIcon = large_icon;
  class_out->hCursor = cursor;
  class_out->hbrBackground = background;
  class_out->lpszMenuName = menu_name;
  class_out->lpszClassName = class_name;
  class_out->hIconSm = small_icon;
}

}  // namespace win
}  // namespace base
