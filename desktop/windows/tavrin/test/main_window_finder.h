#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_MAIN_WINDOW_FINDER_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_MAIN_WINDOW_FINDER_H_

#include <windows.h>

namespace tavrin_test {

// The running notifier's hidden main window, looked up by its class and
// title as the installer and scripts find it.
inline constexpr wchar_t kMainWindowClass[] =
    L"Ulvena Tavrin Main Window Class";
inline constexpr wchar_t kMainWindowTitle[] = L"Ulvena Tavrin Main Window";

HWND FindMainWindow();

// Looks every 50 ms, for up to |seconds|, until the window is there
// (|present|) or gone, and returns what the last look found.
HWND WaitForMainWindow(bool present, int seconds);

}  // namespace tavrin_test

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_MAIN_WINDOW_FINDER_H_
