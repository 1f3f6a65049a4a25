// Starts the real tavrin_installer.exe the way a script or the browser's
// updater does, and checks what it prints and its exit code.

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"
#include "tests/test/program_runner.h"

namespace {

using tavrin_test::GetProgramNextToTest;
using tavrin_test::ProgramResult;
using tavrin_test::RunProgram;

ProgramResult RunInstaller(const std::wstring& arguments) {
  ProgramResult result =
      RunProgram(GetProgramNextToTest(L"tavrin_installer.exe"), arguments,
                 base::TimeDelta::FromSeconds(30));
  EXPECT_TRUE(result.started) << "could not start tavrin_installer.exe";
  EXPECT_FALSE(result.timed_out);
  return result;
}

// The version in the program's own version resource, "a.b.c.d".
std::string VersionResourceOfInstaller() {
  const std::wstring path =
      GetProgramNextToTest(L"tavrin_installer.exe").native();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (!size)
    return std::string();
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
    return std::string();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info),
                      &info_size) ||
      info_size < sizeof(*info)) {
    return std::string();
  }
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionLS));
}

TEST(TavrinInstallerProgramTest, PrintsVersionNumbersWithoutLineEnd) {
  struct {
    const wchar_t* arguments;
    const char* output;
  } cases[] = {
      {L"--version", "40.0.2308.17697"},
      {L"/version", "40.0.2308.17697"},
      {L"-VERSION", "40.0.2308.17697"},
      {L"--internal-version", "2308.17697"},
      {L"--stream", "Stable"},
      // The first printing switch in the order version, internal-version,
      // stream decides, wherever it stands on the command line.
      {L"--stream --internal-version", "2308.17697"},
      {L"--stream --version", "40.0.2308.17697"},
      {L"--uninstall --stream", "Stable"},
  };
  for (const auto& c : cases) {
    ProgramResult result = RunInstaller(c.arguments);
    EXPECT_EQ(0u, result.exit_code) << c.arguments;
    EXPECT_EQ(c.output, result.output) << c.arguments;
  }
}

TEST(TavrinInstallerProgramTest, VersionMatchesVersionResource) {
  ProgramResult result = RunInstaller(L"--version");
  EXPECT_EQ(VersionResourceOfInstaller(), result.output);
}

TEST(TavrinInstallerProgramTest, VersionWithInstallFolderInstallsNothing) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath folder = temp.GetPath() / L"Tavrin";

  ProgramResult result =
      RunInstaller(L"--version \"--installfolder=" + folder.native() + L"\"");
  EXPECT_EQ(0u, result.exit_code);
  EXPECT_EQ("40.0.2308.17697", result.output);
  EXPECT_TRUE(std::filesystem::is_empty(temp.GetPath()));
}

TEST(TavrinInstallerProgramTest, FailsSilentlyWithoutWorkToDo) {
  for (const wchar_t* arguments :
       {L"", L"--post-elevated-install-tasks", L"--copyonly=1 --allusers=1",
        L"versions", L"--versions"}) {
    ProgramResult result = RunInstaller(arguments);
    EXPECT_EQ(1u, result.exit_code) << arguments;
    EXPECT_EQ("", result.output) << arguments;
  }
}

// Output redirected to a file by a command shell reaches the file too.
TEST(TavrinInstallerProgramTest, PrintsIntoRedirectedFile) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath output = temp.GetPath() / L"version.txt";
  wchar_t system_folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system_folder, MAX_PATH);
  const base::FilePath cmd =
      base::FilePath(std::wstring(system_folder, length)) / L"cmd.exe";

  ProgramResult result = RunProgram(
      cmd,
      L"/c \"\"" + GetProgramNextToTest(L"tavrin_installer.exe").native() +
          L"\" --internal-version > \"" + output.native() + L"\"\"",
      base::TimeDelta::FromSeconds(30));
  ASSERT_TRUE(result.started);
  EXPECT_EQ(0u, result.exit_code);

  HANDLE file = CreateFileW(output.c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  char buffer[64];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &read, nullptr));
  CloseHandle(file);
  EXPECT_EQ("2308.17697", std::string(buffer, read));
}

}  // namespace
