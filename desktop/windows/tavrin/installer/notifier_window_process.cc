#include "desktop/windows/tavrin/installer/notifier_window_process.h"

#include <string>
#include <vector>

namespace installer {

namespace {

std::wstring CanonicalPath(const std::wstring& path) {
  std::wstring full = path;
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size) {
    std::vector<wchar_t> buffer(size);
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
    if (length && length < size)
      full.assign(buffer.data(), length);
  }
  size = ::GetLongPathNameW(full.c_str(), nullptr, 0);
  if (size) {
    std::vector<wchar_t> buffer(size);
    const DWORD length = ::GetLongPathNameW(full.c_str(), buffer.data(), size);
    if (length && length < size)
      full.assign(buffer.data(), length);
  }
  return full;
}

}  // namespace

bool IsSameFilePath(const base::FilePath& a, const base::FilePath& b) {
  const std::wstring first = CanonicalPath(a.native());
  const std::wstring second = CanonicalPath(b.native());
  // Windows compares file names without regard to case in every script,
  // not only ASCII; so does this.
  return ::CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()),
                                second.c_str(), static_cast<int>(second.size()),
                                TRUE) == CSTR_EQUAL;
}

std::vector<HWND> FindWindowsByClassAndTitle(const wchar_t* class_name,
                                             const wchar_t* title) {
  std::vector<HWND> windows;
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, class_name, title)))
    windows.push_back(window);
  return windows;
}

HANDLE OpenWindowProcessOf(HWND window, const base::FilePath& executable) {
  DWORD pid = 0;
  if (!::GetWindowThreadProcessId(window, &pid) || !pid)
    return nullptr;
  HANDLE process = ::OpenProcess(
      SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
      FALSE, pid);
  if (!process)
    return nullptr;
  std::vector<wchar_t> image(32768);
  DWORD length = static_cast<DWORD>(image.size());
  if (!::QueryFullProcessImageNameW(process, 0, image.data(), &length) ||
      !IsSameFilePath(base::FilePath(std::wstring(image.data(), length)),
                      executable)) {
    ::CloseHandle(process);
    return nullptr;
  }
  return process;
}

}  // namespace installer
