// The installer object in this process, on real folders and the real
// registry; the task service is a fake of ours (Task Scheduler 2.0 under Wine
// keeps a task's name only), and the program's own folder, from which an
// install copies, is pointed at a package folder laid out by the test.

#include "desktop/windows/tavrin/installer/tavrin_installer.h"

#include <windows.h>

// After windows.h, which it needs.
#include <tlhelp32.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_environment_variable_override.h"
#include "base/test/test_log_capture.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/install_log.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
#include "desktop/windows/tavrin/installer/notifier_window_process.h"
#include "desktop/windows/tavrin/installer/test/fake_task_scheduler.h"
#include "gtest/gtest.h"
#include "tests/test/program_runner.h"

namespace installer {
namespace {

constexpr wchar_t kRunKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
    L"FEATURE_BROWSER_EMULATION";
constexpr wchar_t kRunValue[] = L"Ulvena Tavrin";
constexpr wchar_t kEmulationValue[] = L"tavrin.exe";
constexpr int64_t kFirstInstallTime = 1700000000;

using Snapshot = std::map<std::wstring, std::string>;

// Every file below |folder| with its contents; folders as empty entries
// ending in a backslash.
Snapshot TakeSnapshot(const base::FilePath& folder) {
  Snapshot snapshot;
  std::error_code error;
  if (!std::filesystem::exists(folder.native(), error))
    return snapshot;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(folder.native(), error)) {
    const std::wstring name =
        std::filesystem::relative(entry.path(), folder.native()).native();
    if (entry.is_directory()) {
      snapshot[name + L"\\"] = std::string();
    } else {
      std::string contents;
      base::ReadFileToString(entry.path().native(), &contents);
      snapshot[name] = contents;
    }
  }
  return snapshot;
}

// The names in |folder| itself, "?" among them where it cannot be listed.
// Subfolders are not opened: the uninstall script's cmd removes its own
// folder once, and a listing that held that folder open just then would
// make the removal fail.
std::set<std::wstring> NamesIn(const base::FilePath& folder) {
  std::set<std::wstring> names;
  std::error_code error;
  std::filesystem::directory_iterator entry(folder.native(), error);
  for (; !error && entry != std::filesystem::directory_iterator();
       entry.increment(error)) {
    names.insert(entry->path().filename().native());
  }
  if (error)
    names.insert(L"?");
  return names;
}

bool ReadString(HKEY root,
                const wchar_t* key,
                const wchar_t* name,
                std::wstring* value) {
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, &type, buffer, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  *value = buffer;
  return true;
}

bool ReadDword(HKEY root,
               const wchar_t* key,
               const wchar_t* name,
               DWORD* value) {
  DWORD size = sizeof(*value);
  return RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, value,
                      &size) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const wchar_t* key, const wchar_t* name) {
  return RegGetValueW(root, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

void WriteString(HKEY root,
                 const wchar_t* key,
                 const wchar_t* name,
                 const std::wstring& value) {
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetKeyValueW(
                root, key, name, REG_SZ, value.c_str(),
                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

void DeleteValue(HKEY root, const wchar_t* key, const wchar_t* name) {
  RegDeleteKeyValueW(root, key, name);
}

// What one registry key holds, value by value, for before/after checks.
std::map<std::wstring, std::string> ReadKey(HKEY root, const wchar_t* path) {
  std::map<std::wstring, std::string> values;
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_size = 256;
    BYTE data[2048];
    DWORD data_size = sizeof(data);
    DWORD type = 0;
    if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, data,
                      &data_size) != ERROR_SUCCESS) {
      break;
    }
    values[name] = std::to_string(type) + ":" +
                   std::string(reinterpret_cast<char*>(data), data_size);
  }
  RegCloseKey(key);
  return values;
}

// Stands in for WMI's list of a folder's notifier processes: Wine's
// Win32_Process has no ExecutablePath, so the list is made from the
// processes' image names.
std::vector<DWORD> ListNotifierProcesses(const std::wstring& install_folder) {
  std::vector<DWORD> ids;
  const base::FilePath notifier =
      base::FilePath(install_folder) / L"tavrin.exe";
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return ids;
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 entry.th32ProcessID);
    if (!process)
      continue;
    wchar_t image[MAX_PATH * 4];
    DWORD size = sizeof(image) / sizeof(image[0]);
    if (QueryFullProcessImageNameW(process, 0, image, &size) &&
        IsSameFilePath(base::FilePath(std::wstring(image, size)), notifier)) {
      ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return ids;
}

size_t NotifierWindowCount() {
  return FindWindowsByClassAndTitle(L"Ulvena Tavrin Main Window Class",
                                    L"Ulvena Tavrin Main Window")
      .size();
}

bool WaitForNotifierWindows(size_t count) {
  for (int i = 0; i < 200 && NotifierWindowCount() != count; ++i)
    Sleep(50);
  return NotifierWindowCount() == count;
}

class TavrinInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    package_ = temp_.GetPath() / L"package";
    browser_ = temp_.GetPath() / L"browser";
    folder_ = browser_ / L"tavrin";
    // The uninstall script runs from a folder of its own in the temporary
    // folder: this one, so that the test sees it come and go.
    scripts_ = temp_.GetPath() / L"scripts";
    ASSERT_TRUE(base::CreateDirectory(scripts_));
    temp_override_ = std::make_unique<base::ScopedEnvironmentVariableOverride>(
        L"TMP", scripts_.native());
    ASSERT_TRUE(temp_override_->Succeeded());
    ASSERT_TRUE(base::CreateDirectory(package_ / L"notifications"));
    ASSERT_TRUE(base::CreateDirectory(browser_));
    ASSERT_TRUE(base::WriteFile(package_ / L"tavrin.exe", "notifier"));
    ASSERT_TRUE(base::WriteFile(package_ / L"notifications" / L"ads.html",
                                "<html>ads</html>"));
    ASSERT_TRUE(base::WriteFile(package_ / L"readme.txt", "read me"));
    WriteFileList("tavrin.exe\r\nnotifications\\ads.html\r\nreadme.txt\r\n");
    ASSERT_TRUE(base::PathService::Override(base::DIR_EXE, package_));
    base::Time::SetNowForTesting(
        [] { return base::Time::FromTimeT(kFirstInstallTime); });
    ForgetRegistryValues();
  }

  void TearDown() override {
    ForgetRegistryValues();
    DeleteValue(HKEY_CURRENT_USER, kRunKey, L"Other Program");
    DeleteValue(HKEY_CURRENT_USER, kEmulationKey, L"other.exe");
    base::Time::SetNowForTesting(nullptr);
    base::PathService::RemoveOverride(base::DIR_EXE);
    temp_override_.reset();
  }

  void ForgetRegistryValues() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      DeleteValue(root, kRunKey, kRunValue);
      DeleteValue(root, kEmulationKey, kEmulationValue);
    }
  }

  void WriteFileList(const std::string& contents) {
    ASSERT_TRUE(base::WriteFile(package_ / L"files_list", contents));
  }

  std::unique_ptr<TavrinInstaller> MakeInstaller(bool all_users,
                                                 bool copy_only) {
    auto installer =
        std::make_unique<TavrinInstaller>(folder_, all_users, copy_only);
    installer->SetTaskSchedulerFactoryForTesting(
        [this] { return std::make_unique<FakeTaskScheduler>(&tasks_); });
    installer->SetNotifierProcessListerForTesting(&ListNotifierProcesses);
    return installer;
  }

  // One run of the program: the object is destroyed, which commits, and the
  // pref pool is shut down, which finishes its write.
  bool Install(bool all_users = false, bool copy_only = false) {
    const bool result = MakeInstaller(all_users, copy_only)->Install();
    base::AtExitManager::ProcessCallbacksNow();
    return result;
  }
  bool Uninstall() {
    const bool result = MakeInstaller(false, false)->Uninstall();
    base::AtExitManager::ProcessCallbacksNow();
    return result;
  }

  // The uninstall script runs on its own once started; under Wine its wait
  // for this process ends at once (tasklist is a stub there). When it has
  // done its work, its cmd removes the script's folder. Up to 60 s: in a
  // virtual machine without hardware help, cmd.exe alone takes seconds.
  // |stays| names what the test put into the temporary folder itself.
  ::testing::AssertionResult WaitForScriptToEnd(
      const std::set<std::wstring>& stays = {}) {
    for (int i = 0; i < 1200; ++i) {
      if (NamesIn(scripts_) == stays)
        return ::testing::AssertionSuccess();
      Sleep(50);
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "still there:";
    for (const auto& [name, contents] : TakeSnapshot(scripts_))
      failure << " " << base::WideToUTF8(name);
    for (const auto& [name, contents] : TakeSnapshot(folder_))
      failure << " " << base::WideToUTF8(name);
    return failure;
  }

  InstallLog LoadLog() {
    InstallLog log;
    EXPECT_TRUE(InstallLogSerializer().Load(
        &log, (folder_ / L"installation_status.xml").native()));
    return log;
  }

  std::string ReadPrefs() {
    std::string contents;
    base::ReadFileToString(folder_ / L"installer_prefs.json", &contents);
    return contents;
  }

  base::AtExitManager at_exit_;
  base::win::ScopedComInitializer com_;
  base::ScopedTempDir temp_;
  base::FilePath package_;
  base::FilePath browser_;
  base::FilePath folder_;
  base::FilePath scripts_;
  std::unique_ptr<base::ScopedEnvironmentVariableOverride> temp_override_;
  FakeTaskService tasks_;
  base::TestLogCapture log_;
};

TEST_F(TavrinInstallerTest, FirstInstallPerUser) {
  ASSERT_TRUE(Install());

  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR,
                            "Failed reading the installation status"));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "AppId for new installation: 1700000000"));
  EXPECT_TRUE(log_.Contains(logging::LOG_INFO, "Setting up the registry"));
  EXPECT_TRUE(log_.Contains(logging::LOG_INFO, "Creating scheduled task"));
  // The package's tavrin.exe is no program; the install stands all the same.
  EXPECT_TRUE(
      log_.ContainsPrefix(logging::LOG_ERROR, "CreateProcess failed w/err "));

  EXPECT_EQ("notifier", TakeSnapshot(folder_)[L"tavrin.exe"]);
  EXPECT_EQ("<html>ads</html>",
            TakeSnapshot(folder_)[L"notifications\\ads.html"]);

  std::wstring run;
  ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, kRunKey, kRunValue, &run));
  EXPECT_EQ(folder_.native() + L"\\tavrin.exe", run);
  DWORD emulation = 0;
  ASSERT_TRUE(
      ReadDword(HKEY_CURRENT_USER, kEmulationKey, kEmulationValue, &emulation));
  EXPECT_EQ(9000u, emulation);
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kRunValue));

  // The file on disk is exactly what the serializer writes for this log.
  InstallLog expected;
  expected.copy_only = false;
  expected.all_users = false;
  expected.app_id = "1700000000";
  expected.install_path = folder_.native();
  expected.files = {L"tavrin.exe", L"notifications\\ads.html", L"readme.txt"};
  expected.hkcu_keys = {RegistryKeyRecord(0, base::WideToUTF8(kRunKey)),
                        RegistryKeyRecord(0, base::WideToUTF8(kEmulationKey))};
  InstallLog loaded = LoadLog();
  ASSERT_EQ(2u, loaded.hkcu_keys.size());
  expected.hkcu_keys[0].values = loaded.hkcu_keys[0].values;
  expected.hkcu_keys[1].values = loaded.hkcu_keys[1].values;
  EXPECT_EQ(expected, loaded);
  ASSERT_EQ(1u, loaded.hkcu_keys[0].values.size());
  EXPECT_EQ("Ulvena Tavrin", loaded.hkcu_keys[0].values[0].name);
  const base::FilePath written = temp_.GetPath() / L"expected.xml";
  ASSERT_TRUE(InstallLogSerializer().Save(expected, written.native()));
  EXPECT_EQ(TakeSnapshot(temp_.GetPath())[L"expected.xml"],
            TakeSnapshot(folder_)[L"installation_status.xml"]);

  EXPECT_EQ(1, tasks_.orphan_cleanups);
  ASSERT_EQ(1u, tasks_.created.size());
  const TaskInfo& task = tasks_.created[0];
  EXPECT_EQ(L"tavrin Autoupdate 1700000000", task.name);
  EXPECT_EQ(L"Keeps Ulvena tavrin up to date", task.description);
  EXPECT_EQ(FALSE, task.all_users);
  EXPECT_EQ(3600, task.max_run_seconds);
  EXPECT_EQ(TaskInfo::kTriggerDaily, task.trigger_kind);
  EXPECT_TRUE(task.add_logon_trigger);
  EXPECT_TRUE(task.run_only_if_network);
  EXPECT_EQ(browser_ / L"launcher.exe", task.command_line.GetProgram());
  EXPECT_TRUE(task.command_line.HasSwitch("scheduledautoupdate"));
  EXPECT_EQ("tavrin", task.command_line.GetSwitchValueASCII("component-name"));
  EXPECT_EQ(folder_, task.command_line.GetSwitchValuePath("component-path"));
  EXPECT_EQ(std::vector<std::wstring>{L"$(Arg0)"}, task.command_line.GetArgs());
}

TEST_F(TavrinInstallerTest, AllUsersWritesMachineValuesAndSystemTask) {
  ASSERT_TRUE(Install(/*all_users=*/true));
  std::wstring run;
  ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &run));
  EXPECT_EQ(folder_.native() + L"\\tavrin.exe", run);
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kEmulationKey, kEmulationValue));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  ASSERT_EQ(1u, tasks_.created.size());
  EXPECT_EQ(TRUE, tasks_.created[0].all_users);
  EXPECT_TRUE(LoadLog().all_users);
}

// A folder given with a trailing backslash is written as given, and the
// launcher is still the one above the install folder.
TEST_F(TavrinInstallerTest, TrailingBackslashKeptInRunValue) {
  folder_ = base::FilePath(folder_.native() + L"\\");
  ASSERT_TRUE(Install());
  std::wstring run;
  ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, kRunKey, kRunValue, &run));
  EXPECT_EQ(folder_.native() + L"\\tavrin.exe", run);
  ASSERT_EQ(1u, tasks_.created.size());
  EXPECT_EQ(browser_ / L"launcher.exe",
            tasks_.created[0].command_line.GetProgram());
}

TEST_F(TavrinInstallerTest, FileListLinesAndBlanks) {
  ASSERT_TRUE(base::WriteFile(package_ / L"two words.txt ", "blank"));
  WriteFileList("\r\ntavrin.exe\r\n\r\n\ntwo words.txt \r");
  ASSERT_TRUE(Install());
  // Windows drops a trailing blank from a path component, so the file is
  // reached by the listed name, as the uninstall will reach it.
  std::string copied;
  ASSERT_TRUE(base::ReadFileToString(folder_ / L"two words.txt ", &copied));
  EXPECT_EQ("blank", copied);
  EXPECT_EQ((Snapshot{{L"installation_status.xml",
                       TakeSnapshot(folder_)[L"installation_status.xml"]},
                      {L"tavrin.exe", "notifier"},
                      {L"two words.txt", "blank"}}),
            TakeSnapshot(folder_));
  // The log records the name as listed; its reader trims each name.
  EXPECT_NE(std::string::npos,
            TakeSnapshot(folder_)[L"installation_status.xml"].find(
                ">two words.txt <"));
  EXPECT_EQ((std::vector<std::wstring>{L"tavrin.exe", L"two words.txt"}),
            LoadLog().files);
}

struct CounterCase {
  const char* prefs;
  const char* after;  // Null: the file is left as it was.
};

class TavrinInstallerCounterTest
    : public TavrinInstallerTest,
      public ::testing::WithParamInterface<CounterCase> {};

// The counter is in the install folder's installer_prefs.json, which an
// earlier copy of the browser's installer may have left there.
TEST_P(TavrinInstallerCounterTest, LoweredOnlyFromOneUp) {
  ASSERT_TRUE(base::CreateDirectory(folder_));
  ASSERT_TRUE(
      base::WriteFile(folder_ / L"installer_prefs.json", GetParam().prefs));
  ASSERT_TRUE(Install());
  if (GetParam().after) {
    EXPECT_EQ(base::Value::parse(GetParam().after),
              base::Value::parse(ReadPrefs()));
  } else {
    EXPECT_EQ(GetParam().prefs, ReadPrefs());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    TavrinInstallerCounterTest,
    ::testing::Values(
        CounterCase{R"({"au_task_error_count": 3, "language": "de"})",
                    R"({"au_task_error_count": 2, "language": "de"})"},
        CounterCase{R"({"au_task_error_count": 1})",
                    R"({"au_task_error_count": 0})"},
        CounterCase{R"({"au_task_error_count": 0})", nullptr},
        CounterCase{R"({"au_task_error_count": -4})", nullptr},
        CounterCase{R"({"au_task_error_count": "3"})", nullptr},
        CounterCase{R"({"au_task_error_count": 2.5})", nullptr},
        CounterCase{R"({"language": "de"})", nullptr}));

TEST_F(TavrinInstallerTest, FailedTaskRegistrationLeavesCounter) {
  ASSERT_TRUE(base::CreateDirectory(folder_));
  const std::string prefs = R"({"au_task_error_count": 3})";
  ASSERT_TRUE(base::WriteFile(folder_ / L"installer_prefs.json", prefs));
  tasks_.create_succeeds = false;
  EXPECT_TRUE(Install());
  EXPECT_TRUE(
      log_.Contains(logging::LOG_ERROR, "Could not create scheduled task"));
  EXPECT_EQ(prefs, ReadPrefs());

  tasks_.create_succeeds = true;
  tasks_.init_succeeds = false;
  log_.Clear();
  EXPECT_TRUE(Install());
  EXPECT_TRUE(
      log_.Contains(logging::LOG_ERROR, "Could not initialize task scheduler"));
  EXPECT_EQ(prefs, ReadPrefs());
}

TEST_F(TavrinInstallerTest, CopyOnlyWritesNoRegistryNoTaskNoPrefs) {
  ASSERT_TRUE(base::CreateDirectory(folder_));
  const std::string prefs = R"({"au_task_error_count": 3})";
  ASSERT_TRUE(base::WriteFile(folder_ / L"installer_prefs.json", prefs));
  ASSERT_TRUE(Install(false, /*copy_only=*/true));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kEmulationKey, kEmulationValue));
  EXPECT_TRUE(tasks_.created.empty());
  EXPECT_EQ(prefs, ReadPrefs());
  const InstallLog log = LoadLog();
  EXPECT_TRUE(log.copy_only);
  EXPECT_TRUE(log.hkcu_keys.empty());
  EXPECT_TRUE(log.hklm_keys.empty());
  EXPECT_EQ(3u, log.files.size());
}

// A reinstall keeps the first install's choices and app id, whatever its own
// command line says.
TEST_F(TavrinInstallerTest, ReinstallKeepsFirstChoices) {
  ASSERT_TRUE(Install());
  base::Time::SetNowForTesting(
      [] { return base::Time::FromTimeT(kFirstInstallTime + 500); });
  ASSERT_TRUE(Install(/*all_users=*/true, /*copy_only=*/true));
  ASSERT_TRUE(WaitForScriptToEnd());

  const InstallLog log = LoadLog();
  EXPECT_FALSE(log.all_users);
  EXPECT_FALSE(log.copy_only);
  EXPECT_EQ("1700000000", log.app_id);
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kRunValue));
  EXPECT_EQ(std::vector<std::wstring>{L"tavrin Autoupdate 1700000000"},
            tasks_.deleted);
  ASSERT_EQ(2u, tasks_.created.size());
  EXPECT_EQ(L"tavrin Autoupdate 1700000000", tasks_.created[1].name);
  // No backup of the replaced files stays behind.
  for (const auto& [name, contents] : TakeSnapshot(folder_))
    EXPECT_EQ(std::wstring::npos, name.find(L".old")) << name;
}

// Only this folder's notifier is closed: one whose window goes at once but
// whose process needs seconds more (its tray icon, its launcher log) ends by
// itself, one that ignores the close is ended. Another folder's notifier,
// whose window is the newer and so the first by class and title, is neither
// closed nor ended.
TEST_F(TavrinInstallerTest, ReinstallClosesOnlyThisFoldersNotifier) {
  ASSERT_TRUE(Install());
  const base::FilePath stand_in =
      tavrin_test::GetProgramNextToTest(L"unclosable_notifier.exe");
  const base::FilePath elsewhere = temp_.GetPath() / L"elsewhere";
  ASSERT_TRUE(base::CreateDirectory(elsewhere));
  ASSERT_TRUE(base::CopyFile(stand_in, elsewhere / L"tavrin.exe"));
  const struct {
    const wchar_t* arguments;
    DWORD exit_code;
  } cases[] = {
      {L"window slow", 3},  // The stand-in's own code: it ended by itself.
      {L"window", 0},       // The installer's code: it was ended.
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(base::WideToUTF8(c.arguments));
    ASSERT_TRUE(base::CopyFile(stand_in, folder_ / L"tavrin.exe"));
    HANDLE own =
        tavrin_test::StartProgram(folder_ / L"tavrin.exe", c.arguments);
    ASSERT_NE(nullptr, own);
    ASSERT_TRUE(WaitForNotifierWindows(1));
    HANDLE other =
        tavrin_test::StartProgram(elsewhere / L"tavrin.exe", L"window slow");
    ASSERT_NE(nullptr, other);
    ASSERT_TRUE(WaitForNotifierWindows(2));

    EXPECT_TRUE(Install());
    EXPECT_EQ(c.exit_code, tavrin_test::ExitCodeAfter(own, 5000));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE),
              tavrin_test::ExitCodeAfter(other, 0));
    EXPECT_EQ(1u, NotifierWindowCount());
    ASSERT_TRUE(WaitForScriptToEnd());
    TerminateProcess(own, 1);
    TerminateProcess(other, 1);
    WaitForSingleObject(other, 5000);
    CloseHandle(own);
    CloseHandle(other);
  }
}

TEST_F(TavrinInstallerTest, FirstInstallFailureLeavesNothing) {
  WriteFileList("tavrin.exe\r\nmissing.txt\r\nreadme.txt\r\n");
  EXPECT_FALSE(Install());
  EXPECT_TRUE(
      log_.Contains(logging::LOG_ERROR,
                    "Could not copy file missing.txtto installation dir"));
  EXPECT_FALSE(base::PathExists(folder_));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_TRUE(tasks_.created.empty());
}

// Every way a reinstall can fail leaves the folder, the registry and the
// old log exactly as they were.
TEST_F(TavrinInstallerTest, FailedReinstallRestoresEverything) {
  ASSERT_TRUE(Install());
  WriteString(HKEY_CURRENT_USER, kRunKey, L"Other Program", L"other.exe");
  const Snapshot folder_before = TakeSnapshot(folder_);
  const auto run_before = ReadKey(HKEY_CURRENT_USER, kRunKey);
  const auto emulation_before = ReadKey(HKEY_CURRENT_USER, kEmulationKey);
  ASSERT_EQ(2u,
            run_before.count(kRunValue) + run_before.count(L"Other Program"));

  struct Fault {
    const char* what;
    std::function<void()> inject;
    std::function<void()> remove;
  };
  HANDLE held = INVALID_HANDLE_VALUE;
  auto hold = [&held](const base::FilePath& path) {
    held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held) << path;
  };
  auto release = [&held] {
    CloseHandle(held);
    held = INVALID_HANDLE_VALUE;
  };
  const Fault faults[] = {
      {"a listed file is missing",
       [&] { WriteFileList("tavrin.exe\r\nmissing.txt\r\n"); },
       [&] {
         WriteFileList(
             "tavrin.exe\r\nnotifications\\ads.html\r\nreadme.txt\r\n");
       }},
      {"a listed file cannot be read", [&] { hold(package_ / L"readme.txt"); },
       release},
      {"the new log cannot be saved",
       [&] {
         // A folder in the way of installation_status.xml.
         ASSERT_TRUE(
             base::CreateDirectory(package_ / L"installation_status.xml"));
         ASSERT_TRUE(base::WriteFile(
             package_ / L"installation_status.xml" / L"in the way", "x"));
         WriteFileList("tavrin.exe\r\ninstallation_status.xml\\in the way\r\n");
       },
       [&] {
         WriteFileList(
             "tavrin.exe\r\nnotifications\\ads.html\r\nreadme.txt\r\n");
       }},
      {"an old file cannot be removed", [&] { hold(folder_ / L"readme.txt"); },
       release},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    fault.inject();
    EXPECT_FALSE(Install());
    fault.remove();
    ASSERT_TRUE(WaitForScriptToEnd());
    EXPECT_EQ(folder_before, TakeSnapshot(folder_));
    EXPECT_EQ(run_before, ReadKey(HKEY_CURRENT_USER, kRunKey));
    EXPECT_EQ(emulation_before, ReadKey(HKEY_CURRENT_USER, kEmulationKey));
  }
  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR,
                            "Failed saving the installation status"));
  EXPECT_TRUE(log_.Contains(
      logging::LOG_WARNING,
      "Deleting file " + base::WideToUTF8((folder_ / L"readme.txt").native()) +
          " failed"));
}

// A registry value that cannot be written. The emulation key cannot be
// created below a volatile FeatureControl key (a non-volatile key may not
// have a volatile parent), which the test sets up in its own Wine prefix.
TEST_F(TavrinInstallerTest, RegistryFailureRollsBack) {
  constexpr wchar_t kFeatureControl[] =
      L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl";
  HKEY existing;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kFeatureControl, 0, KEY_READ,
                    &existing) == ERROR_SUCCESS) {
    RegCloseKey(existing);
    GTEST_SKIP() << "FeatureControl exists already; it is not ours to replace";
  }
  // Run once to have an installation to reinstall over, then leave only a
  // volatile FeatureControl behind.
  ASSERT_TRUE(Install());
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, kFeatureControl));
  HKEY volatile_key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, kFeatureControl, 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &volatile_key, nullptr));
  HKEY probe;
  const LONG probe_result = RegCreateKeyExW(volatile_key, L"probe", 0, nullptr,
                                            REG_OPTION_NON_VOLATILE, KEY_READ,
                                            nullptr, &probe, nullptr);
  if (probe_result == ERROR_SUCCESS) {
    RegCloseKey(probe);
    RegCloseKey(volatile_key);
    RegDeleteTreeW(HKEY_CURRENT_USER, kFeatureControl);
    GTEST_SKIP() << "this registry lets a volatile key have lasting children";
  }
  RegCloseKey(volatile_key);

  const Snapshot folder_before = TakeSnapshot(folder_);
  const auto run_before = ReadKey(HKEY_CURRENT_USER, kRunKey);
  EXPECT_FALSE(Install());
  EXPECT_TRUE(log_.Contains(
      logging::LOG_ERROR,
      "Failed writing registry key " + base::WideToUTF8(kEmulationKey)));
  ASSERT_TRUE(WaitForScriptToEnd());
  EXPECT_EQ(folder_before, TakeSnapshot(folder_));
  EXPECT_EQ(run_before, ReadKey(HKEY_CURRENT_USER, kRunKey));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  RegDeleteTreeW(HKEY_CURRENT_USER, kFeatureControl);
}

TEST_F(TavrinInstallerTest, UninstallRemovesOnlyWhatTheLogLists) {
  ASSERT_TRUE(Install());
  WriteString(HKEY_CURRENT_USER, kRunKey, L"Other Program", L"other.exe");
  WriteString(HKEY_CURRENT_USER, kEmulationKey, L"other.exe", L"x");
  tasks_.deleted.clear();

  ASSERT_TRUE(Uninstall());
  ASSERT_TRUE(WaitForScriptToEnd());
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kEmulationKey, kEmulationValue));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunKey, L"Other Program"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kEmulationKey, L"other.exe"));
  EXPECT_EQ(std::vector<std::wstring>{L"tavrin Autoupdate 1700000000"},
            tasks_.deleted);
  // Once at the install, once at the uninstall.
  EXPECT_EQ(2, tasks_.orphan_cleanups);
  // The script removed the emptied folder; the browser's folder stays.
  EXPECT_FALSE(base::PathExists(folder_));
  EXPECT_TRUE(base::DirectoryExists(browser_));
}

TEST_F(TavrinInstallerTest, UninstallWithoutLogChangesNothing) {
  ASSERT_TRUE(base::CreateDirectory(folder_));
  ASSERT_TRUE(base::WriteFile(folder_ / L"tavrin.exe", "someone's"));
  WriteString(HKEY_CURRENT_USER, kRunKey, kRunValue, L"someone's");
  EXPECT_FALSE(Uninstall());
  EXPECT_TRUE(
      log_.Contains(logging::LOG_ERROR, "Could not read installation status"));
  EXPECT_EQ((Snapshot{{L"tavrin.exe", "someone's"}}), TakeSnapshot(folder_));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_TRUE(tasks_.deleted.empty());
}

// Logs of earlier installs record the depth 1 for both shared keys, and a
// log from disk may name values or files that are not ours: only our own
// values and files inside the install folder go.
TEST_F(TavrinInstallerTest, UninstallByHostileOrOldLog) {
  ASSERT_TRUE(base::CreateDirectory(folder_));
  const base::FilePath outside = browser_ / L"launcher.exe";
  ASSERT_TRUE(base::WriteFile(outside, "launcher"));
  ASSERT_TRUE(base::WriteFile(folder_ / L"tavrin.exe", "notifier"));
  WriteString(HKEY_CURRENT_USER, kRunKey, kRunValue, L"x");
  WriteString(HKEY_CURRENT_USER, kRunKey, L"Other Program", L"other.exe");
  WriteString(HKEY_CURRENT_USER, kEmulationKey, L"other.exe", L"x");

  InstallLog log;
  log.all_users = false;
  log.app_id = "1600000000";
  log.install_path = folder_.native();
  log.files = {L"tavrin.exe", L"..\\launcher.exe", outside.native()};
  RegistryKeyRecord run(1, base::WideToUTF8(kRunKey));
  run.values = {RegistryValueRecord("REG_SZ", "Ulvena Tavrin", "x"),
                RegistryValueRecord("REG_SZ", "Other Program", "other.exe")};
  RegistryKeyRecord emulation(1, base::WideToUTF8(kEmulationKey));
  emulation.values = {RegistryValueRecord("REG_DWORD", "other.exe", "0")};
  log.hkcu_keys = {run, emulation};
  ASSERT_TRUE(InstallLogSerializer().Save(
      log, (folder_ / L"installation_status.xml").native()));

  ASSERT_TRUE(Uninstall());
  ASSERT_TRUE(WaitForScriptToEnd());
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunKey, L"Other Program"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kEmulationKey, L"other.exe"));
  EXPECT_EQ("launcher", TakeSnapshot(browser_)[L"launcher.exe"]);
  EXPECT_FALSE(base::PathExists(folder_));
  EXPECT_TRUE(
      log_.ContainsPrefix(logging::LOG_WARNING, "Skipping ..\\launcher.exe"));
}

// A file of the test's for as long as it is in scope, also when the test
// fails: a cmd.exe stand-in left beside the test programs would outlive it.
class ScopedPlantedFile {
 public:
  ScopedPlantedFile(const base::FilePath& path, const std::string& contents)
      : path_(path), planted_(base::WriteFile(path, contents)) {}
  ScopedPlantedFile(const ScopedPlantedFile&) = delete;
  ScopedPlantedFile& operator=(const ScopedPlantedFile&) = delete;
  ~ScopedPlantedFile() { base::DeleteFile(path_, false); }
  bool planted() const { return planted_; }

 private:
  const base::FilePath path_;
  const bool planted_;
};

// The script's cmd starts in the temporary folder: Windows cannot remove a
// folder that is some process's current folder, and the uninstall may be
// started from the install folder (the script, named by a path relative to
// the temporary folder, would not even be found elsewhere). Other programs
// of the user can write there, and cmd looks for a bare command name in its
// current folder first: stand-ins planted there under the names of the
// script's commands must never start, while the script does its work on a
// file that was in use. (chcp.com is run only for paths without an ASCII
// short name, which Wine always gives; UninstallScriptSwitchesCodePageForUtf8
// shows its line.) cmd.exe itself is started by its path as well: a bare
// name would be looked up first beside the installer (this test program)
// and in its current folder (the install folder here, or the Downloads
// folder a user started it from).
TEST_F(TavrinInstallerTest, UninstallScriptRunsOnlyTheSystemsCommands) {
  ASSERT_TRUE(Install());
  const base::FilePath ran = temp_.GetPath() / L"ran";
  ASSERT_TRUE(base::CreateDirectory(ran));
  std::string stand_in;
  ASSERT_TRUE(base::ReadFileToString(
      tavrin_test::GetProgramNextToTest(L"planted_command.exe"), &stand_in));
  std::set<std::wstring> planted;
  for (const wchar_t* command :
       {L"tasklist.exe", L"find.exe", L"ping.exe", L"chcp.com"}) {
    ASSERT_TRUE(base::WriteFile(scripts_ / command, stand_in));
    planted.insert(command);
  }
  ScopedPlantedFile cmd_beside_installer(
      tavrin_test::GetProgramNextToTest(L"cmd.exe"), stand_in);
  ASSERT_TRUE(cmd_beside_installer.planted());
  ASSERT_TRUE(base::WriteFile(folder_ / L"cmd.exe", stand_in));
  base::ScopedEnvironmentVariableOverride record(L"TAVRIN_TEST_RAN_FOLDER",
                                                 ran.native());
  HANDLE held =
      CreateFileW((folder_ / L"readme.txt").c_str(), GENERIC_READ,
                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);

  wchar_t current[MAX_PATH];
  ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, current));
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  const bool uninstalled = Uninstall();
  SetCurrentDirectoryW(current);
  // The script deletes it once this process has ended, which it takes to
  // be at once (Wine's tasklist is a stub), after its second's wait.
  CloseHandle(held);
  ASSERT_TRUE(uninstalled);
  EXPECT_TRUE(WaitForScriptToEnd(planted));

  EXPECT_EQ(Snapshot(), TakeSnapshot(ran))
      << "started from the temporary folder, beside the installer or from "
         "the install folder";
  // Every file of ours went, the one in use included; the folder stays
  // for the file that is not ours.
  EXPECT_EQ(std::set<std::wstring>{L"cmd.exe"}, NamesIn(folder_));
}

// A reinstall that cannot remove an old file fails before anything is
// replaced: no script may be left to delete files after it.
TEST_F(TavrinInstallerTest, ReinstallThatCannotRemoveAnOldFileWritesNoScript) {
  ASSERT_TRUE(Install());
  HANDLE held = CreateFileW((folder_ / L"readme.txt").c_str(), GENERIC_READ, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(Install());
  // A script, once written, waits a second before it ends.
  EXPECT_TRUE(NamesIn(scripts_).empty());
  CloseHandle(held);
}

// The system folder as the script names its commands.
std::string SystemFolderForScript() {
  base::FilePath folder;
  EXPECT_TRUE(base::PathService::Get(base::DIR_SYSTEM, &folder));
  return base::WideToUTF8(folder.native()) + "\\";
}

TEST_F(TavrinInstallerTest, UninstallScriptLines) {
  TavrinInstaller installer(base::FilePath(L"C:\\A B\\tavrin"), false, false);
  const std::string pid = std::to_string(GetCurrentProcessId());
  const std::string system = SystemFolderForScript();
  EXPECT_EQ(
      "SET NoDefaultCurrentDirectoryInExePath=1\n"
      "SET PID_RUNNING=TRUE\n"
      ":again\n"
      "IF %PID_RUNNING%==TRUE (\n"
      "\"" +
          system + "tasklist.exe\" /FI \"PID eq " + pid + "\" | \"" + system +
          "find.exe\" /c /i \".exe\"\n"
          "IF ERRORLEVEL 1 SET PID_RUNNING=FALSE\n"
          ")\n"
          "\"" +
          system +
          "ping.exe\" -n 2 127.0.0.1\n"
          "IF %PID_RUNNING%==TRUE GOTO :again\n"
          "del \"C:\\A B\\tavrin\\tavrin.exe\"\n"
          "del \"C:\\A B\\tavrin\\100%% & ^!.dll\"\n"
          "del %0 & rmdir \"C:\\A B\\tavrin\"\n",
      installer.BuildUninstallScript(
          {base::FilePath(L"C:\\A B\\tavrin\\tavrin.exe"),
           base::FilePath(L"C:\\A B\\tavrin\\100% & ^!.dll")}));
  // Nothing left over: the script only deletes itself and the folder.
  const std::string empty = installer.BuildUninstallScript({});
  EXPECT_EQ(
      "IF %PID_RUNNING%==TRUE GOTO :again\n"
      "del %0 & rmdir \"C:\\A B\\tavrin\"\n",
      empty.substr(empty.find("IF %PID_RUNNING%==TRUE GOTO")));
}

// A path that has no ASCII short name is written in UTF-8 after a switch to
// code page 65001, placed before the first path; chcp, too, is the system's.
TEST_F(TavrinInstallerTest, UninstallScriptSwitchesCodePageForUtf8) {
  const base::FilePath folder(L"C:\\no such\\Zażółć");
  TavrinInstaller installer(folder, false, false);
  const std::string script =
      installer.BuildUninstallScript({folder / L"tavrin.exe"});
  const std::string utf8_folder = base::WideToUTF8(folder.native());
  EXPECT_NE(std::string::npos,
            script.find("IF %PID_RUNNING%==TRUE GOTO :again\n\"" +
                        SystemFolderForScript() +
                        "chcp.com\" 65001 >NUL\n"
                        "del \"" +
                        utf8_folder +
                        "\\tavrin.exe\"\n"
                        "del %0 & rmdir \"" +
                        utf8_folder + "\"\n"))
      << script;
}

}  // namespace
}  // namespace installer
