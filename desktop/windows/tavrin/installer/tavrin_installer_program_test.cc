// Starts the real tavrin_installer.exe the way a script or the browser's
// updater does, and checks what it prints and its exit code.

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
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
  EXPECT_TRUE(std::filesystem::is_empty(temp.GetPath().native()));
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

// A relative install folder is resolved once against the current folder:
// the install log, and with it the Run value and the update task, never hold
// a path that would mean another folder when read from elsewhere.
TEST(TavrinInstallerProgramTest, RelativeInstallFolderIsResolvedOnce) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath package = temp.GetPath() / L"package";
  ASSERT_TRUE(base::CreateDirectory(package));
  ASSERT_TRUE(base::CopyFile(GetProgramNextToTest(L"tavrin_installer.exe"),
                             package / L"tavrin_installer.exe"));
  ASSERT_TRUE(base::WriteFile(package / L"readme.txt", "read me"));
  ASSERT_TRUE(base::WriteFile(package / L"files_list", "readme.txt\r\n"));

  wchar_t previous[MAX_PATH];
  ASSERT_TRUE(::GetCurrentDirectoryW(MAX_PATH, previous));
  ASSERT_TRUE(::SetCurrentDirectoryW(temp.GetPath().c_str()));
  ProgramResult result =
      RunProgram(package / L"tavrin_installer.exe",
                 L"--copyonly=1 --installfolder=browser\\tavrin",
                 base::TimeDelta::FromSeconds(60));
  ASSERT_TRUE(::SetCurrentDirectoryW(previous));
  ASSERT_TRUE(result.started);
  EXPECT_EQ(0u, result.exit_code);

  const base::FilePath folder = temp.GetPath() / L"browser" / L"tavrin";
  EXPECT_TRUE(base::PathExists(folder / L"readme.txt"));
  std::string log;
  ASSERT_TRUE(
      base::ReadFileToString(folder / L"installation_status.xml", &log));
  EXPECT_NE(std::string::npos,
            log.find(">" + base::WideToUTF8(folder.native()) + "<"))
      << log;

  // An empty folder is refused before anything is made.
  result = RunProgram(package / L"tavrin_installer.exe",
                      L"--copyonly=1 --installfolder=",
                      base::TimeDelta::FromSeconds(60));
  EXPECT_EQ(1u, result.exit_code);
}

// Output redirected to a file by a command shell reaches the file too.
TEST(TavrinInstallerProgramTest, PrintsIntoRedirectedFile) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath output = temp.GetPath() / L"version.txt";
  base::FilePath system_folder;
  ASSERT_TRUE(base::PathService::Get(base::DIR_SYSTEM, &system_folder));
  const base::FilePath cmd = system_folder / L"cmd.exe";

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
