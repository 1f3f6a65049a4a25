// The real tavrin_installer.exe installs the real tavrin.exe into browser
// installations laid out by the test (our launcher.exe stand-in,
// installer_prefs.json), reinstalls over it while it runs, and uninstalls
// it, on folders whose names cmd and WQL give meanings of their own.
//
// The notifier's analytics go to the test environment's capture proxy
// through https_proxy, which the installer passes on: nothing leaves the
// machine.

#include <windows.h>

// After windows.h, which it needs.
#include <tlhelp32.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_environment_variable_override.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/scoped_variant.h"
#include "base/win/wmi.h"
#include "desktop/windows/installer/service/install_log.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/service/test/task_service_probe.h"
#include "desktop/windows/tavrin/test/launcher_layout.h"
#include "desktop/windows/tavrin/test/main_window_finder.h"
#include "gtest/gtest.h"
#include "tests/test/program_runner.h"

namespace installer {
namespace {

constexpr wchar_t kRunKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
    L"FEATURE_BROWSER_EMULATION";

bool IsEmptyFolder(const base::FilePath& path) {
  std::error_code error;
  return std::filesystem::is_empty(path.native(), error) && !error;
}

// Waits until |path| has gone and |scripts|, where the uninstall script runs
// from a folder of its own, is empty.
::testing::AssertionResult WaitUntilGone(const base::FilePath& path,
                                         const base::FilePath& scripts,
                                         int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (!base::PathExists(path) && IsEmptyFolder(scripts))
      return ::testing::AssertionSuccess();
    ::Sleep(50);
  }
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << "still there:";
  std::error_code error;
  for (const base::FilePath& folder : {path, scripts}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             folder.native(), error)) {
      failure << " " << base::WideToUTF8(entry.path().native());
      // What the uninstall script was told.
      std::string script;
      if (entry.path().filename() == L"k.bat" &&
          base::ReadFileToString(entry.path().native(), &script)) {
        failure << ":\n" << script;
      }
    }
  }
  // Whether the script is still at work.
  failure << "\nrunning:";
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
      failure << " " << base::WideToUTF8(entry.szExeFile) << "("
              << entry.th32ProcessID << "<" << entry.th32ParentProcessID << ")";
    }
    ::CloseHandle(snapshot);
  }
  return failure;
}

// The process behind the notifier's window, opened to wait for its end.
HANDLE OpenWindowProcess(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return ::OpenProcess(
      SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
      FALSE, pid);
}

// Whether this system's WMI fills in Win32_Process.ExecutablePath, which
// the installer's query for running notifiers needs (Wine 8.0's does not).
bool WmiKnowsExecutablePaths() {
  Microsoft::WRL::ComPtr<IWbemServices> services;
  if (FAILED(base::win::ConnectToWmi(&services)))
    return false;
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> rows;
  if (FAILED(base::win::ExecWmiQuery(
          services.Get(),
          L"SELECT * FROM Win32_Process WHERE ProcessId = " +
              std::to_wstring(::GetCurrentProcessId()),
          &rows))) {
    return false;
  }
  bool known = false;
  base::win::ForEachWmiObject(rows.Get(), [&known](IWbemClassObject* row) {
    base::win::ScopedVariant path;
    known = SUCCEEDED(row->Get(L"ExecutablePath", 0, path.Receive(), nullptr,
                               nullptr)) &&
            path.type() == VT_BSTR;
  });
  return known;
}

// The browser installation's folder and the install folder in it.
struct FolderNames {
  const wchar_t* browser;
  const wchar_t* install;
};

void PrintTo(const FolderNames& names, std::ostream* out) {
  *out << base::WideToUTF8(names.browser) << " / "
       << base::WideToUTF8(names.install);
}

class InstallerEndToEndTest : public ::testing::TestWithParam<FolderNames> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_EQ(nullptr, tavrin_test::FindMainWindow())
        << "a notifier is already running";
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    // The installer, and with it the uninstall script, takes this as its
    // temporary folder.
    scripts_ = temp_.GetPath() / L"scripts";
    ASSERT_TRUE(base::CreateDirectory(scripts_));
    temp_override_ = std::make_unique<base::ScopedEnvironmentVariableOverride>(
        L"TMP", scripts_.native());
    ASSERT_TRUE(temp_override_->Succeeded());

    browser_ = temp_.GetPath() / GetParam().browser;
    folder_ = browser_ / GetParam().install;
    package_ = temp_.GetPath() / L"package";
    ASSERT_TRUE(base::CreateDirectory(folder_));
    ASSERT_TRUE(base::CreateDirectory(package_));
    ASSERT_TRUE(tavrin_test::InstallFakeLauncher(browser_));
    base::Value prefs = {
        {"profile_path",
         base::WideToUTF8((temp_.GetPath() / L"profile").native())},
        {"language", "en"}};
    ASSERT_TRUE(
        base::WriteFile(browser_ / L"installer_prefs.json", prefs.dump()));
    ASSERT_TRUE(base::WriteFile(folder_ / L"installer_prefs.json",
                                R"({"au_task_error_count": 3})"));

    // The package: the programs, the hint content and the list of them all.
    std::string files_list;
    for (const wchar_t* program : {L"tavrin.exe", L"tavrin_installer.exe"}) {
      ASSERT_TRUE(base::CopyFile(tavrin_test::GetProgramNextToTest(program),
                                 package_ / program));
      files_list += base::WideToUTF8(program) + "\r\n";
    }
    ASSERT_TRUE(tavrin_test::CopyHintContent(package_ / L"notifications"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             (package_ / L"notifications").native())) {
      if (entry.is_regular_file()) {
        files_list += base::WideToUTF8(std::filesystem::relative(
                                           entry.path(), package_.native())
                                           .native()) +
                      "\r\n";
      }
    }
    ASSERT_TRUE(base::WriteFile(package_ / L"files_list", files_list));
  }

  void TearDown() override {
    if (HWND window = tavrin_test::FindMainWindow()) {
      HANDLE process = OpenWindowProcess(window);
      if (process) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
      }
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      ::RegDeleteKeyValueW(root, kRunKey, L"Ulvena Tavrin");
      ::RegDeleteKeyValueW(root, kEmulationKey, L"tavrin.exe");
    }
    if (!task_name_.empty()) {
      std::unique_ptr<TaskScheduler> scheduler = TaskScheduler::Create();
      if (scheduler->Init())
        scheduler->DeleteTask(task_name_);
    }
    temp_override_.reset();
  }

  tavrin_test::ProgramResult Run(const base::FilePath& program,
                                 const std::wstring& arguments) {
    tavrin_test::ProgramResult result = tavrin_test::RunProgram(
        program, arguments, base::TimeDelta::FromSeconds(60));
    EXPECT_TRUE(result.started) << "error " << result.start_error;
    EXPECT_FALSE(result.timed_out);
    return result;
  }

  tavrin_test::ProgramResult Install() {
    return Run(package_ / L"tavrin_installer.exe",
               L"\"--installfolder=" + folder_.native() + L"\"");
  }

  TaskState UpdateTaskState() {
    std::unique_ptr<TaskScheduler> scheduler = TaskScheduler::Create();
    if (!scheduler->Init())
      return TaskState::kUnknown;
    return scheduler->GetTaskState(task_name_);
  }

  base::win::ScopedComInitializer com_;
  base::ScopedTempDir temp_;
  base::FilePath browser_;
  base::FilePath folder_;
  base::FilePath package_;
  base::FilePath scripts_;
  std::unique_ptr<base::ScopedEnvironmentVariableOverride> temp_override_;
  std::wstring task_name_;
};

TEST_P(InstallerEndToEndTest, InstallReinstallUninstall) {
  // First install.
  ASSERT_EQ(0u, Install().exit_code);
  HWND window = tavrin_test::WaitForMainWindow(true, 20);
  ASSERT_NE(nullptr, window) << "the installed notifier did not start";
  HANDLE first_notifier = OpenWindowProcess(window);
  ASSERT_NE(nullptr, first_notifier);

  std::string copied;
  ASSERT_TRUE(base::ReadFileToString(folder_ / L"tavrin.exe", &copied));
  std::string shipped;
  ASSERT_TRUE(base::ReadFileToString(package_ / L"tavrin.exe", &shipped));
  EXPECT_TRUE(copied == shipped);

  wchar_t run[1024];
  DWORD size = sizeof(run);
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Ulvena Tavrin",
                           RRF_RT_REG_SZ, nullptr, run, &size));
  EXPECT_EQ(folder_.native() + L"\\tavrin.exe", std::wstring(run));

  InstallLog log;
  ASSERT_TRUE(InstallLogSerializer().Load(
      &log, (folder_ / L"installation_status.xml").native()));
  EXPECT_FALSE(log.all_users);
  task_name_ = L"tavrin Autoupdate " + base::UTF8ToWide(log.app_id);
  std::string prefs;
  ASSERT_TRUE(
      base::ReadFileToString(folder_ / L"installer_prefs.json", &prefs));
  if (test::TaskServiceTakesTriggerIds()) {
    EXPECT_NE(TaskState::kNotFound, UpdateTaskState());
    EXPECT_EQ(base::Value::parse(R"({"au_task_error_count": 2})"),
              base::Value::parse(prefs));
  } else {
    // Wine's Task Scheduler 2.0 cannot hold the update task (no trigger
    // ids): the registration fails, and then the counter must stay as it
    // is. The registered task itself is shown with a fake scheduler in the
    // installer's unit tests.
    EXPECT_EQ(TaskState::kNotFound, UpdateTaskState());
    EXPECT_EQ(base::Value::parse(R"({"au_task_error_count": 3})"),
              base::Value::parse(prefs));
  }

  // A reinstall closes the running notifier through its window and starts
  // the new copy; "allusers=1" does not change a per-user installation.
  ASSERT_EQ(0u,
            Run(package_ / L"tavrin_installer.exe",
                L"--allusers=1 \"--installfolder=" + folder_.native() + L"\"")
                .exit_code);
  EXPECT_EQ(0u, tavrin_test::ExitCodeAfter(first_notifier, 10000));
  ::CloseHandle(first_notifier);
  window = tavrin_test::WaitForMainWindow(true, 20);
  ASSERT_NE(nullptr, window);
  InstallLog reinstalled;
  ASSERT_TRUE(InstallLogSerializer().Load(
      &reinstalled, (folder_ / L"installation_status.xml").native()));
  EXPECT_EQ(log.app_id, reinstalled.app_id);
  EXPECT_FALSE(reinstalled.all_users);
  EXPECT_NE(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Ulvena Tavrin",
                           RRF_RT_ANY, nullptr, nullptr, nullptr));

  // installer_prefs.json is the browser updater's, not ours: an uninstall
  // leaves it, and so the folder. Without it the folder must go too.
  ASSERT_TRUE(base::DeleteFile(folder_ / L"installer_prefs.json", false));

  // Uninstall from the installed copy: the notifier closes, and the running
  // installer's own file is left to k.bat, which removes it, itself and the
  // folder once the installer has ended.
  ASSERT_EQ(0u,
            Run(folder_ / L"tavrin_installer.exe", L"--uninstall").exit_code);
  EXPECT_EQ(nullptr, tavrin_test::WaitForMainWindow(false, 10));
  EXPECT_TRUE(WaitUntilGone(folder_, scripts_, 30))
      << "the install folder or the script's folder stayed";
  EXPECT_NE(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Ulvena Tavrin",
                           RRF_RT_ANY, nullptr, nullptr, nullptr));
  EXPECT_NE(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_CURRENT_USER, kEmulationKey, L"tavrin.exe",
                           RRF_RT_ANY, nullptr, nullptr, nullptr));
  EXPECT_EQ(TaskState::kNotFound, UpdateTaskState());
  // The browser's own files stay.
  EXPECT_TRUE(base::PathExists(browser_ / L"launcher.exe"));
  EXPECT_TRUE(base::PathExists(browser_ / L"installer_prefs.json"));
}

// A notifier that ignores WM_CLOSE is ended after the wait, with every other
// tavrin.exe of that folder; one from another folder goes on running.
TEST_P(InstallerEndToEndTest, UnclosableNotifierIsTerminated) {
  if (!WmiKnowsExecutablePaths())
    GTEST_SKIP() << "this system's WMI has no Win32_Process.ExecutablePath";
  ASSERT_EQ(0u, Install().exit_code);
  HWND window = tavrin_test::WaitForMainWindow(true, 20);
  ASSERT_NE(nullptr, window);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(nullptr, tavrin_test::WaitForMainWindow(false, 20));

  // The installed tavrin.exe is replaced by one that will not close.
  const base::FilePath stand_in =
      tavrin_test::GetProgramNextToTest(L"unclosable_notifier.exe");
  ASSERT_TRUE(
      ::CopyFileW(stand_in.c_str(), (folder_ / L"tavrin.exe").c_str(), FALSE));
  const base::FilePath elsewhere = temp_.GetPath() / L"elsewhere";
  ASSERT_TRUE(base::CreateDirectory(elsewhere));
  ASSERT_TRUE(base::CopyFile(stand_in, elsewhere / L"tavrin.exe"));
  HANDLE hanging =
      tavrin_test::StartProgram(folder_ / L"tavrin.exe", L"window");
  HANDLE windowless = tavrin_test::StartProgram(folder_ / L"tavrin.exe", L"");
  HANDLE other = tavrin_test::StartProgram(elsewhere / L"tavrin.exe", L"");
  ASSERT_TRUE(hanging && windowless && other);
  ASSERT_NE(nullptr, tavrin_test::WaitForMainWindow(true, 10));

  ASSERT_EQ(0u, Install().exit_code);
  EXPECT_EQ(0u, tavrin_test::ExitCodeAfter(hanging, 5000));
  EXPECT_EQ(0u, tavrin_test::ExitCodeAfter(windowless, 5000));
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE),
            tavrin_test::ExitCodeAfter(other, 0));
  ::TerminateProcess(other, 1);
  for (HANDLE process : {hanging, windowless, other})
    ::CloseHandle(process);
}

// cmd reads '%', '!', '^' and '&' on its own terms and non-ASCII letters in
// its code page, in either folder of a path.
INSTANTIATE_TEST_SUITE_P(
    Folders,
    InstallerEndToEndTest,
    ::testing::Values(FolderNames{L"Ulvena", L"tavrin"},
                      FolderNames{L"Zażółć gęślą jaźń", L"tavrin"},
                      FolderNames{L"Привет мир", L"tavrin"},
                      FolderNames{L"中文 文件夹", L"tavrin"},
                      FolderNames{L"O'Brien & 100% ^x! (1)", L"tavrin"},
                      FolderNames{L"%PATH% %OS% %% %~dp0 !x! ^ & ż", L"tavrin"},
                      FolderNames{L"Ulvena", L"%PATH% %OS% %% %~dp0 !x! ^ & ż"},
                      FolderNames{L"%OS% and %%", L"Жук %PATH% !x!"}));

// What needs one browser installation's folder name only.
class InstallerOneFolderTest : public InstallerEndToEndTest {
 protected:
  InstallLog LoadLog(const base::FilePath& folder) {
    InstallLog log;
    EXPECT_TRUE(InstallLogSerializer().Load(
        &log, (folder / L"installation_status.xml").native()));
    return log;
  }
};

// The command line's choices reach a first install: a copy-only install
// writes no registry value and still starts the notifier; an all-users
// install writes its values for the machine.
TEST_P(InstallerOneFolderTest, FirstInstallTakesTheCommandLineChoices) {
  ASSERT_EQ(0u,
            Run(package_ / L"tavrin_installer.exe",
                L"--copyonly=1 \"--installfolder=" + folder_.native() + L"\"")
                .exit_code);
  HWND window = tavrin_test::WaitForMainWindow(true, 20);
  ASSERT_NE(nullptr, window)
      << "the copy-only install did not start the notifier";
  HANDLE copy_only_notifier = OpenWindowProcess(window);
  ASSERT_NE(nullptr, copy_only_notifier);
  InstallLog log = LoadLog(folder_);
  EXPECT_TRUE(log.copy_only);
  EXPECT_FALSE(log.all_users);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_NE(ERROR_SUCCESS,
              ::RegGetValueW(root, kRunKey, L"Ulvena Tavrin", RRF_RT_ANY,
                             nullptr, nullptr, nullptr));
  }

  // One notifier runs per desktop: the next install starts its own once
  // this one has gone.
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, tavrin_test::ExitCodeAfter(copy_only_notifier, 20000));
  ::CloseHandle(copy_only_notifier);

  const base::FilePath machine_folder = browser_ / L"tavrin for all";
  ASSERT_EQ(0u, Run(package_ / L"tavrin_installer.exe",
                    L"--allusers=1 \"--installfolder=" +
                        machine_folder.native() + L"\"")
                    .exit_code);
  EXPECT_NE(nullptr, tavrin_test::WaitForMainWindow(true, 20));
  log = LoadLog(machine_folder);
  task_name_ = L"tavrin Autoupdate " + base::UTF8ToWide(log.app_id);
  EXPECT_TRUE(log.all_users);
  EXPECT_FALSE(log.copy_only);
  wchar_t run[1024];
  DWORD size = sizeof(run);
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Ulvena Tavrin",
                           RRF_RT_REG_SZ, nullptr, run, &size));
  EXPECT_EQ(machine_folder.native() + L"\\tavrin.exe", std::wstring(run));
  EXPECT_NE(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Ulvena Tavrin",
                           RRF_RT_ANY, nullptr, nullptr, nullptr));
}

// Two browser installations, each with its own notifier (one runs per
// desktop): reinstalling and uninstalling one of them leaves the other's
// running notifier alone.
TEST_P(InstallerOneFolderTest, OtherInstallationsNotifierKeepsRunning) {
  const base::FilePath beta = temp_.GetPath() / L"Ulvena Beta";
  const base::FilePath beta_folder = beta / L"tavrin";
  ASSERT_TRUE(base::CreateDirectory(beta_folder));
  ASSERT_TRUE(tavrin_test::InstallFakeLauncher(beta));
  ASSERT_TRUE(base::CopyFile(browser_ / L"installer_prefs.json",
                             beta / L"installer_prefs.json"));
  ASSERT_EQ(0u, Run(package_ / L"tavrin_installer.exe",
                    L"\"--installfolder=" + beta_folder.native() + L"\"")
                    .exit_code);
  const std::wstring beta_task =
      L"tavrin Autoupdate " + base::UTF8ToWide(LoadLog(beta_folder).app_id);
  HWND window = tavrin_test::WaitForMainWindow(true, 20);
  ASSERT_NE(nullptr, window);
  HANDLE beta_notifier = OpenWindowProcess(window);
  ASSERT_NE(nullptr, beta_notifier);

  ASSERT_EQ(0u, Install().exit_code);
  task_name_ =
      L"tavrin Autoupdate " + base::UTF8ToWide(LoadLog(folder_).app_id);
  ASSERT_EQ(0u, Install().exit_code);
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE),
            tavrin_test::ExitCodeAfter(beta_notifier, 0))
      << "the reinstall closed the other installation's notifier";
  ASSERT_EQ(0u,
            Run(folder_ / L"tavrin_installer.exe", L"--uninstall").exit_code);
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE),
            tavrin_test::ExitCodeAfter(beta_notifier, 0))
      << "the uninstall closed the other installation's notifier";
  EXPECT_EQ(window, tavrin_test::FindMainWindow());
  EXPECT_FALSE(base::PathExists(folder_ / L"tavrin.exe"));
  ::CloseHandle(beta_notifier);

  std::unique_ptr<TaskScheduler> scheduler = TaskScheduler::Create();
  if (scheduler->Init())
    scheduler->DeleteTask(beta_task);
}

INSTANTIATE_TEST_SUITE_P(Folder,
                         InstallerOneFolderTest,
                         ::testing::Values(FolderNames{L"Ulvena", L"tavrin"}));

}  // namespace
}  // namespace installer
