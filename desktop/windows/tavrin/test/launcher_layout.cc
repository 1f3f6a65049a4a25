#include "desktop/windows/tavrin/test/launcher_layout.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/strings/string_util.h"

namespace tavrin_test {

base::FilePath ProgramNextToTest(const std::wstring& file_name) {
  wchar_t path[MAX_PATH];
  DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return base::FilePath(std::wstring(path, length)).parent_path() / file_name;
}

bool InstallFakeLauncher(const base::FilePath& folder) {
  return base::CopyFile(ProgramNextToTest(L"fake_launcher.exe"),
                        folder / L"launcher.exe");
}

std::vector<std::string> WaitForLauncherCalls(const base::FilePath& folder,
                                              size_t count) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100; ++i) {
    std::string contents;
    if (base::ReadFileToString(folder / L"launcher_calls.txt", &contents)) {
      lines = base::SplitString(contents, '\n');
      // The text ends in a line feed.
      if (!lines.empty() && lines.back().empty())
        lines.pop_back();
      if (lines.size() >= count)
        break;
    }
    ::Sleep(100);
  }
  return lines;
}

}  // namespace tavrin_test
