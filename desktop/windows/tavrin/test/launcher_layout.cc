#include "desktop/windows/tavrin/test/launcher_layout.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "base/files/file_util.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "tests/test/program_runner.h"

namespace tavrin_test {

bool InstallFakeLauncher(const base::FilePath& folder) {
  return base::CopyFile(GetProgramNextToTest(L"fake_launcher.exe"),
                        folder / L"launcher.exe");
}

bool CopyHintContent(const base::FilePath& destination) {
  std::error_code error;
  std::filesystem::copy(GetProgramNextToTest(L"notifications").native(),
                        destination.native(),
                        std::filesystem::copy_options::recursive, error);
  return !error;
}

std::string LauncherCommandFor(const base::FilePath& exe_dir,
                               const std::string& tail) {
  return base::WideToUTF8(exe_dir.native()) + "\\..\\launcher.exe" + tail;
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
