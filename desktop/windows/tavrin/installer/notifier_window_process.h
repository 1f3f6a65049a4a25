#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_NOTIFIER_WINDOW_PROCESS_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_NOTIFIER_WINDOW_PROCESS_H_

#include <windows.h>

#include <vector>

#include "base/files/file_path.h"

namespace installer {

// Every top-level window of |class_name| titled |title|, in z-order;
// FindWindowW names only the first of them.
std::vector<HWND> FindWindowsByClassAndTitle(const wchar_t* class_name,
                                             const wchar_t* title);

// The process that owns |window|, opened to wait for and to end it, when its
// executable is |executable|; null for any other process, so that a notifier
// of another installation is never ended. The caller closes the handle.
HANDLE OpenWindowProcessOf(HWND window, const base::FilePath& executable);

// Whether |a| and |b| name one file: compared as full, long paths without
// regard to case, so a doubled or trailing backslash or an 8.3 name does not
// make them differ.
bool IsSameFilePath(const base::FilePath& a, const base::FilePath& b);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_NOTIFIER_WINDOW_PROCESS_H_
