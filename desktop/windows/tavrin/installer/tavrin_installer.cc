#include "desktop/windows/tavrin/installer/tavrin_installer.h"

#include <cstdint>
#include <utility>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
#include "desktop/windows/installer/service/registry_entry.h"
#include "desktop/windows/installer/service/registry_table_row.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/tavrin/installer/batch_file_path.h"
#include "desktop/windows/tavrin/installer/installed_file_path.h"
#include "desktop/windows/tavrin/installer/installer_pref_store.h"
#include "desktop/windows/tavrin/installer/notifier_process_query.h"
#include "desktop/windows/tavrin/installer/notifier_window_process.h"

namespace installer {

namespace {

constexpr wchar_t kStatusFileName[] = L"installation_status.xml";
constexpr wchar_t kFileListName[] = L"files_list";
constexpr wchar_t kNotifierFileName[] = L"tavrin.exe";
constexpr wchar_t kScriptFileName[] = L"k.bat";
constexpr wchar_t kPrefsFileName[] = L"installer_prefs.json";
constexpr wchar_t kLauncherFileName[] = L"launcher.exe";
constexpr char kTaskErrorCountPref[] = "au_task_error_count";

constexpr wchar_t kNotifierWindowClass[] = L"Ulvena Tavrin Main Window Class";
constexpr wchar_t kNotifierWindowTitle[] = L"Ulvena Tavrin Main Window";
constexpr int kCloseWindowPolls = 20;
constexpr DWORD kCloseWindowPollMs = 100;
constexpr DWORD kTerminateWaitMs = 2000;
// A notifier whose window has gone still removes its tray icon and saves its
// state; Wine alone takes about 2 s for the icon.
constexpr DWORD kExitAfterCloseMs = 10000;

// The uninstall script is written into a new folder of its own in the
// temporary folder; the rest of the folder's name is made of digits and '_'.
constexpr wchar_t kScriptFolderPrefix[] = L"tavrin_uninstall_";

// Both keys are shared with Windows and other programs, so an uninstall only
// ever deletes the values recorded for it (clean depth 0).
const RegistryTableRow kRegistryTable[] = {
    {L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     L"Ulvena Tavrin",
     REGISTRY_ROW_STRING,
     {.text = L"{InstallFolder}\\tavrin.exe"},
     base::win::VERSION_XP,
     nullptr,
     0,
     0},
    {L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
     L"FEATURE_BROWSER_EMULATION",
     L"tavrin.exe",
     REGISTRY_ROW_DWORD,
     {.number = 9000},
     base::win::VERSION_XP,
     nullptr,
     0,
     0},
};

std::string ToUTF8(const base::FilePath& path) {
  return base::WideToUTF8(path.native());
}

// Whether a recorded value is one that this installer writes: a log from
// disk can name anything, and only our own values may be deleted.
bool IsValueOfRegistryTable(const std::wstring& key_path,
                            const std::wstring& value_name) {
  for (const RegistryTableRow& row : kRegistryTable) {
    if (base::EqualsCaseInsensitiveASCII(key_path, row.key_path) &&
        base::EqualsCaseInsensitiveASCII(value_name,
                                         row.value_name ? row.value_name : L""))
      return true;
  }
  return false;
}

// "C:\a\b\" has the parent "C:\a" as much as "C:\a\b" has.
base::FilePath ParentFolder(const base::FilePath& folder) {
  std::wstring text = folder.native();
  const size_t root_length = folder.root_path().native().size();
  while (text.size() > root_length &&
         (text.back() == L'\\' || text.back() == L'/')) {
    text.pop_back();
  }
  return base::FilePath(text).parent_path();
}

std::vector<std::string> SplitFileList(const std::string& contents) {
  std::vector<std::string> names;
  std::string name;
  for (char c : contents) {
    if (c == '\r' || c == '\n') {
      if (!name.empty())
        names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  if (!name.empty())
    names.push_back(name);
  return names;
}

// Ends |process| unless it has ended already, and gives the end its time:
// until it has come, the executable is in use and a reinstall could not
// replace it.
void TerminateAndWait(HANDLE process) {
  if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
      ::TerminateProcess(process, 0)) {
    ::WaitForSingleObject(process, kTerminateWaitMs);
  }
}

}  // namespace

TavrinInstaller::TavrinInstaller(const base::FilePath& install_folder,
                                 bool all_users,
                                 bool copy_only)
    : install_folder_(install_folder),
      task_scheduler_factory_(&TaskScheduler::Create),
      notifier_process_lister_(&QueryNotifierProcessIds) {
  new_log_.copy_only = copy_only;
  new_log_.all_users = all_users;
  new_log_.install_path = install_folder_.native();
}

TavrinInstaller::~TavrinInstaller() = default;

std::wstring TavrinInstaller::ResolveVariable(const std::wstring& name) {
  if (name == L"InstallFolder")
    return install_folder_.native();
  return name;
}

std::vector<RegistryKeyRecord>* TavrinInstaller::GetRegistryLog(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? &new_log_.hklm_keys : &new_log_.hkcu_keys;
}

void TavrinInstaller::SetTaskSchedulerFactoryForTesting(
    TaskSchedulerFactory factory) {
  task_scheduler_factory_ = std::move(factory);
}

void TavrinInstaller::SetNotifierProcessListerForTesting(
    NotifierProcessLister lister) {
  notifier_process_lister_ = std::move(lister);
}

bool TavrinInstaller::Install() {
  base::FilePath source_folder;
  if (!base::PathService::Get(base::DIR_EXE, &source_folder)) {
    LOG(ERROR) << "Cannot find the installer's own folder";
    return false;
  }

  if (ReadStatus()) {
    // A reinstall keeps the choices of the first install.
    new_log_.all_users = old_log_.all_users;
    new_log_.copy_only = old_log_.copy_only;
    new_log_.app_id = old_log_.app_id;
    CloseRunningNotifier();
    if (!DeleteStatusFile() || !RemoveInstalledFiles(false)) {
      transaction_.RollbackAll();
      return false;
    }
    DeleteScheduledTask();
    CleanupRegistry();
  } else {
    new_log_.app_id = base::NumberToString(base::Time::Now().ToTimeT());
    VLOG(1) << "AppId for new installation: " << new_log_.app_id;
  }

  if (!CopyFiles(source_folder, install_folder_) || !SetupRegistry() ||
      !SaveStatus()) {
    transaction_.RollbackAll();
    return false;
  }

  // The install stands from here on; what follows only logs its failures.
  LaunchNotifier();
  Finalize();
  return true;
}

bool TavrinInstaller::Uninstall() {
  if (!ReadStatus()) {
    LOG(ERROR) << "Could not read installation status";
    return false;
  }
  CloseRunningNotifier();
  if (!DeleteStatusFile()) {
    transaction_.RollbackAll();
    return false;
  }
  CleanupRegistry();
  DeleteScheduledTask();
  RemoveInstalledFiles(true);
  return true;
}

bool TavrinInstaller::RunPostElevationTasks() {
  LaunchNotifier();
  return true;
}

base::FilePath TavrinInstaller::StatusFilePath() const {
  return install_folder_ / kStatusFileName;
}

bool TavrinInstaller::ReadStatus() {
  InstallLogSerializer serializer;
  if (!serializer.Load(&old_log_, StatusFilePath().native())) {
    LOG(ERROR) << "Failed reading the installation status";
    return false;
  }
  return true;
}

bool TavrinInstaller::SaveStatus() {
  InstallLogSerializer serializer;
  if (!serializer.Save(new_log_, StatusFilePath().native())) {
    LOG(ERROR) << "Failed saving the installation status";
    return false;
  }
  return true;
}

bool TavrinInstaller::DeleteStatusFile() {
  if (!transaction_.Execute(std::make_unique<DeleteFileOperation>(
          StatusFilePath(), true, true, install_folder_))) {
    LOG(ERROR) << "Failed deleting the installation status";
    return false;
  }
  return true;
}

bool TavrinInstaller::CopyFiles(const base::FilePath& source_folder,
                                const base::FilePath& destination_folder) {
  std::string contents;
  if (!base::ReadFileToString(source_folder / kFileListName, &contents)) {
    LOG(ERROR) << "Could not read file list";
    return false;
  }
  const std::vector<std::string> names = SplitFileList(contents);
  if (names.empty()) {
    LOG(ERROR) << "Empty file list";
    return false;
  }
  if (!transaction_.Execute(
          std::make_unique<CreateFolderOperation>(destination_folder))) {
    LOG(ERROR) << "Could not create installation dir";
    return false;
  }
  for (const std::string& name : names) {
    const std::wstring wide_name = base::UTF8ToWide(name);
    base::FilePath source;
    base::FilePath destination;
    // A name that reaches outside either folder would make a later
    // uninstall skip it; it is refused here already.
    if (!BuildInstalledFilePath(source_folder, std::wstring(), wide_name,
                                &source) ||
        !BuildInstalledFilePath(destination_folder, std::wstring(), wide_name,
                                &destination) ||
        !transaction_.Execute(
            std::make_unique<CopyFileOperation>(source, destination))) {
      LOG(ERROR) << "Could not copy file " << name << "to installation dir";
      return false;
    }
    new_log_.files.push_back(wide_name);
  }
  return true;
}

bool TavrinInstaller::SetupRegistry() {
  if (new_log_.copy_only)
    return true;
  LOG(INFO) << "Setting up the registry";
  const HKEY root = new_log_.all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  for (const RegistryTableRow& row : kRegistryTable) {
    const std::string key_path = base::WideToUTF8(row.key_path);
    const std::string value_name =
        row.value_name ? base::WideToUTF8(row.value_name) : std::string();
    RegistryEntry entry(row, this);
    std::unique_ptr<Operation> operation;
    if (!entry.CreateOperation(root, &operation)) {
      LOG(ERROR) << "Failed writing registry key " << key_path;
      return false;
    }
    if (!operation) {
      if (row.value_name) {
        VLOG(2) << "Skipping inapplicable operation: value " << value_name
                << " to key " << key_path;
      } else {
        VLOG(2) << "Skipping inapplicable operation: default value to key "
                << key_path;
      }
      continue;
    }
    if (row.value_name)
      VLOG(1) << "Writing value " << value_name << " to key " << key_path;
    else
      VLOG(1) << "Writing default value to key " << key_path;
    if (!transaction_.Execute(std::move(operation))) {
      LOG(ERROR) << "Failed writing registry key " << key_path;
      return false;
    }
  }
  return true;
}

void TavrinInstaller::CleanupRegistry() {
  LOG(INFO) << "Cleaning up registry";
  CleanupRegistryKeys(HKEY_CURRENT_USER, old_log_.hkcu_keys);
  CleanupRegistryKeys(HKEY_LOCAL_MACHINE, old_log_.hklm_keys);
}

void TavrinInstaller::CleanupRegistryKeys(
    HKEY root,
    const std::vector<RegistryKeyRecord>& keys) {
  for (const RegistryKeyRecord& key : keys) {
    VLOG(1) << "Cleanup for key " << key.path << " with depth "
            << key.clean_depth;
    // Earlier logs record the depth 1 for both keys, which would take the
    // whole shared key with it. Whatever the depth, only the values that
    // were recorded, and that are ours, are deleted.
    const std::wstring key_path = base::UTF8ToWide(key.path);
    for (const RegistryValueRecord& value : key.values) {
      const std::wstring value_name = base::UTF8ToWide(value.name);
      if (!IsValueOfRegistryTable(key_path, value_name)) {
        LOG(WARNING) << "Not removing value " << value.name << " of key "
                     << key.path << ": the installer does not write it";
        continue;
      }
      transaction_.Execute(std::make_unique<ChangeRegValueOperation>(
          root, key_path, value_name, nullptr,
          ChangeRegValueOperation::kNoValue, 0));
    }
  }
}

std::wstring TavrinInstaller::UpdateTaskName(const std::string& app_id) const {
  return L"tavrin Autoupdate " + base::UTF8ToWide(app_id);
}

void TavrinInstaller::DeleteScheduledTask() {
  std::unique_ptr<TaskScheduler> scheduler = task_scheduler_factory_();
  if (scheduler && scheduler->Init()) {
    scheduler->DeleteOrphanedTasks();
    scheduler->DeleteTask(UpdateTaskName(old_log_.app_id));
  }
}

bool TavrinInstaller::LaunchNotifier() {
  const base::FilePath notifier = install_folder_ / kNotifierFileName;
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  PROCESS_INFORMATION process_info = {};
  if (!::CreateProcessW(notifier.c_str(), nullptr, nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup_info, &process_info)) {
    LOG(ERROR) << "CreateProcess failed w/err "
               << static_cast<unsigned long>(::GetLastError());
    return false;
  }
  ::CloseHandle(process_info.hThread);
  ::CloseHandle(process_info.hProcess);
  return true;
}

void TavrinInstaller::Finalize() {
  VLOG(1) << "Finalizing the installation";
  if (new_log_.copy_only)
    return;

  std::unique_ptr<TaskScheduler> scheduler = task_scheduler_factory_();
  LOG(INFO) << "Creating scheduled task";
  if (!scheduler || !scheduler->Init()) {
    LOG(ERROR) << "Could not initialize task scheduler";
    return;
  }
  scheduler->DeleteOrphanedTasks();

  base::CommandLine command_line(ParentFolder(install_folder_) /
                                 kLauncherFileName);
  command_line.AppendSwitch("scheduledautoupdate");
  command_line.AppendSwitchASCII("component-name", "tavrin");
  command_line.AppendSwitchPath("component-path", install_folder_);
  command_line.AppendArgNative(L"$(Arg0)");
  TaskInfo task(command_line);
  task.name = UpdateTaskName(new_log_.app_id);
  task.description = L"Keeps Ulvena tavrin up to date";
  task.all_users = new_log_.all_users ? TRUE : FALSE;
  task.max_run_seconds = 3600;
  task.trigger_kind = TaskInfo::kTriggerDaily;
  task.add_logon_trigger = true;
  task.run_only_if_network = true;
  if (!scheduler->CreateTask(task)) {
    LOG(ERROR) << "Could not create scheduled task";
    return;
  }

  std::unique_ptr<JsonPrefStore> prefs =
      OpenInstallerPrefStore(install_folder_ / kPrefsFileName);
  const base::Value* count = prefs->GetValue(kTaskErrorCountPref);
  if (count && count->is_number_integer()) {
    const int64_t value = count->get<int64_t>();
    if (value >= 1) {
      prefs->SetValue(kTaskErrorCountPref, base::Value(value - 1));
      VLOG(1) << "Setting autoupdate task error counter to : " << value - 1;
    }
  }
  // Releasing the store hands its write to the pool.
}

void TavrinInstaller::CloseRunningNotifier() {
  // Only this folder's notifier is asked to close. Another installation's
  // notifier (a second browser installation) has nothing to do with these
  // files: it is never closed, waited for or ended. FindWindowW would name
  // just one window, perhaps the other's, so every window is looked at.
  const base::FilePath notifier = install_folder_ / kNotifierFileName;
  std::vector<HWND> windows;
  std::vector<HANDLE> processes;
  for (HWND window :
       FindWindowsByClassAndTitle(kNotifierWindowClass, kNotifierWindowTitle)) {
    HANDLE process = OpenWindowProcessOf(window, notifier);
    if (!process)
      continue;
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    windows.push_back(window);
    processes.push_back(process);
  }

  bool windows_closed = true;
  for (int i = 0; !windows.empty() && i < kCloseWindowPolls; ++i) {
    windows_closed = true;
    for (HWND window : windows)
      windows_closed = windows_closed && !::IsWindow(window);
    if (windows_closed)
      break;
    ::Sleep(kCloseWindowPollMs);
  }

  // A closed window is not yet an ended process: the notifier still removes
  // its tray icon and saves its launcher log. It gets that time before the
  // sweep below, so that only a notifier that does not exit is ended.
  if (windows_closed) {
    const DWORD start = ::GetTickCount();
    for (HANDLE process : processes) {
      const DWORD waited = ::GetTickCount() - start;
      ::WaitForSingleObject(
          process, waited < kExitAfterCloseMs ? kExitAfterCloseMs - waited : 0);
    }
  }

  TerminateNotifiersOfFolder();

  // What WMI could not name (a system without executable paths in
  // Win32_Process) is ended here all the same.
  for (HANDLE process : processes) {
    TerminateAndWait(process);
    ::CloseHandle(process);
  }
}

void TavrinInstaller::TerminateNotifiersOfFolder() {
  // Whatever did not close, and copies without a window, are ended.
  for (DWORD pid : notifier_process_lister_(install_folder_.native())) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process)
      continue;
    TerminateAndWait(process);
    ::CloseHandle(process);
  }
}

bool TavrinInstaller::RemoveInstalledFiles(bool continue_on_error) {
  LOG(INFO) << "Removing installed files.";
  std::vector<base::FilePath> leftovers;
  bool all_deleted = true;
  for (const std::wstring& name : old_log_.files) {
    base::FilePath path;
    if (!BuildInstalledFilePath(install_folder_, old_log_.subfolder, name,
                                &path)) {
      LOG(WARNING) << "Skipping " << base::WideToUTF8(name)
                   << ": the install log names it outside the install folder";
      continue;
    }
    if (!transaction_.Execute(std::make_unique<DeleteFileOperation>(
            path, true, true, install_folder_))) {
      LOG(WARNING) << "Deleting file " << ToUTF8(path) << " failed";
      leftovers.push_back(path);
      if (!continue_on_error)
        return false;
      all_deleted = false;
    }
  }
  WriteAndStartUninstallScript(leftovers);
  return all_deleted;
}

std::string TavrinInstaller::BuildUninstallScript(
    const std::vector<base::FilePath>& leftovers) const {
  base::FilePath system_folder;
  if (!base::PathService::Get(base::DIR_SYSTEM, &system_folder)) {
    PLOG(ERROR) << "Could not find the system folder";
    return std::string();
  }
  std::vector<BatchFilePath> paths;
  for (const base::FilePath& path : leftovers)
    paths.push_back(ToBatchFilePath(path));
  const BatchFilePath folder = ToBatchFilePath(install_folder_);

  bool needs_utf8 = folder.needs_utf8_code_page;
  for (const BatchFilePath& path : paths)
    needs_utf8 = needs_utf8 || path.needs_utf8_code_page;

  // cmd looks for a bare command name in its current folder before the
  // PATH, and the script's current folder is the temporary folder, which
  // other programs of the user can write to (and an all-users uninstall
  // runs elevated): every command is named by its path in the system
  // folder, which is never looked up there. The variable makes Windows'
  // cmd skip the current folder as well; Wine's cmd ignores it.
  const std::string system = ToBatchFilePath(system_folder).text + "\\";
  std::string script;
  script += "SET NoDefaultCurrentDirectoryInExePath=1\n";
  script += "SET PID_RUNNING=TRUE\n";
  script += ":again\n";
  script += "IF %PID_RUNNING%==TRUE (\n";
  script +=
      "\"" + system + "tasklist.exe\" /FI \"PID eq " +
      base::NumberToString(static_cast<unsigned>(::GetCurrentProcessId())) +
      "\" | \"" + system + "find.exe\" /c /i \".exe\"\n";
  script += "IF ERRORLEVEL 1 SET PID_RUNNING=FALSE\n";
  script += ")\n";
  script += "\"" + system + "ping.exe\" -n 2 127.0.0.1\n";
  script += "IF %PID_RUNNING%==TRUE GOTO :again\n";
  // cmd reads each further line in the code page in force when it gets
  // there; UTF-8 paths need 65001 (only where no ASCII short name exists).
  if (needs_utf8)
    script += "\"" + system + "chcp.com\" 65001 >NUL\n";
  for (const BatchFilePath& path : paths)
    script += "del \"" + path.text + "\"\n";
  script += "del %0 & rmdir \"" + folder.text + "\"\n";
  return script;
}

void TavrinInstaller::WriteAndStartUninstallScript(
    const std::vector<base::FilePath>& leftovers) {
  // No path may reach cmd's command line, not even through a variable:
  // Wine's cmd expands the line's variables a second time, so a folder
  // named "%PATH%" would become the system path. The script is written
  // under a fixed name into a new folder of ours, and cmd starts in the
  // temporary folder and reaches it by that folder's name, which is made of
  // ASCII letters, digits and '_'; inside the script, paths are written so
  // that cmd reads them as they are. cmd never starts in the install folder,
  // which could not be removed while it is a process's current folder, nor
  // in the script's folder, which a console host started with it may keep
  // as its own current folder until cmd has ended.
  base::FilePath temp_folder;
  base::FilePath script_folder;
  if (!base::GetTempDir(&temp_folder) ||
      !base::CreateTemporaryDirInDir(temp_folder, kScriptFolderPrefix,
                                     &script_folder)) {
    LOG(ERROR) << "Could not create a folder for the uninstall script";
    return;
  }
  // A bare "cmd.exe" would be looked up in this process's folders first.
  base::FilePath system_folder;
  const std::string text = BuildUninstallScript(leftovers);
  if (text.empty() ||
      !base::PathService::Get(base::DIR_SYSTEM, &system_folder) ||
      !base::WriteFile(script_folder / kScriptFileName, text)) {
    LOG(ERROR) << "Could not write the uninstall script";
    base::DeleteFile(script_folder, true);
    return;
  }
  const std::wstring cmd = (system_folder / L"cmd.exe").native();
  const std::wstring folder_name = script_folder.filename().native();
  const std::wstring script = folder_name + L"\\" + kScriptFileName;
  base::LaunchOptions options;
  options.start_hidden = true;
  options.current_directory = temp_folder;
  // Some command interpreters (Wine's) keep the script open while it runs,
  // so that its own "del %0" fails; the del after it runs once the script
  // has ended, and then the script's folder goes.
  HANDLE process = base::LaunchProcess(L"\"" + cmd + L"\" /d /v:off /c \"" +
                                           script + L" & del " + script +
                                           L" & rmdir " + folder_name + L"\"",
                                       options);
  if (process)
    ::CloseHandle(process);
}

}  // namespace installer
