#ifndef DESKTOP_WINDOWS_TAVRIN_BASE_WINDOW_H_
#define DESKTOP_WINDOWS_TAVRIN_BASE_WINDOW_H_

#include <windows.h>

// The base of every notifier window. One window procedure, shared by all
// window classes of the notifier, hands each message to the object that the
// window was created for (see CreateBaseWindow).
class BaseWindow {
 public:
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  // Null until WM_CREATE, and again once the window is destroyed.
  HWND hwnd() const { return hwnd_; }

  // The window procedure of every notifier window class.
  static LRESULT CALLBACK WindowProc(HWND hwnd,
                                     UINT message,
                                     WPARAM wparam,
                                     LPARAM lparam);

  virtual LRESULT OnMessage(HWND hwnd,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam);
  // Called from WM_CREATE; false makes the window creation fail.
  virtual bool OnCreate();

 protected:
  BaseWindow();
  // Not virtual: each window object is destroyed through its own class.
  // Destroys the window if it still exists.
  ~BaseWindow();

  // Destroys the window now, so that no message reaches an object that is
  // being torn down. Derived classes call it first in their destructors.
  void DestroyWindowIfExists();

 private:
  HWND hwnd_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BASE_WINDOW_H_
