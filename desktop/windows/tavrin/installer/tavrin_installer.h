#ifndef DESKTOP_WINDOWS_TAVRIN_INSTALLER_TAVRIN_INSTALLER_H_
#define DESKTOP_WINDOWS_TAVRIN_INSTALLER_TAVRIN_INSTALLER_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/install_log.h"
#include "desktop/windows/installer/service/registry_entry_delegate.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace installer {

class TaskScheduler;

// Installs, reinstalls and uninstalls the notifier in one folder. Every file
// and registry change is a step of one transaction, which a failed install
// rolls back as a whole; destroying the object commits what is left in it.
class TavrinInstaller : public RegistryEntryDelegate {
 public:
  using TaskSchedulerFactory = std::function<std::unique_ptr<TaskScheduler>()>;
  // The ids of the running processes of tavrin.exe in an install folder.
  using NotifierProcessLister =
      std::function<std::vector<DWORD>(const std::wstring& install_folder)>;

  TavrinInstaller(const base::FilePath& install_folder,
                  bool all_users,
                  bool copy_only);
  TavrinInstaller(const TavrinInstaller&) = delete;
  TavrinInstaller& operator=(const TavrinInstaller&) = delete;
  ~TavrinInstaller() override;

  // RegistryEntryDelegate:
  std::wstring ResolveVariable(const std::wstring& name) override;
  std::vector<RegistryKeyRecord>* GetRegistryLog(HKEY root) override;

  bool Install();
  bool Uninstall();
  // Starts the installed notifier; always true.
  bool RunPostElevationTasks();

  // The text of k.bat: waits until this process has ended, deletes
  // |leftovers|, itself, and the install folder if it is empty then. Empty
  // when the system folder, whose commands it runs, cannot be found.
  std::string BuildUninstallScript(
      const std::vector<base::FilePath>& leftovers) const;

  // Stands in for the platform's task service; tests use it to see what is
  // registered and to make registration fail.
  void SetTaskSchedulerFactoryForTesting(TaskSchedulerFactory factory);
  // Stands in for WMI's list of a folder's notifier processes, which some
  // systems give without executable paths.
  void SetNotifierProcessListerForTesting(NotifierProcessLister lister);

 private:
  bool ReadStatus();
  bool SaveStatus();
  bool DeleteStatusFile();
  bool CopyFiles(const base::FilePath& source_folder,
                 const base::FilePath& destination_folder);
  bool SetupRegistry();
  void CleanupRegistry();
  void DeleteScheduledTask();
  bool LaunchNotifier();
  void Finalize();
  void CloseRunningNotifier();
  // Ends every tavrin.exe of the install folder that WMI lists.
  void TerminateNotifiersOfFolder();
  bool RemoveInstalledFiles(bool continue_on_error);
  // Writes k.bat into a new folder under the temporary folder and starts it
  // from the temporary folder; once the script has ended, its cmd removes
  // that new folder too.
  void WriteAndStartUninstallScript(
      const std::vector<base::FilePath>& leftovers);

  // Deletes the recorded values of |keys| under |root| that this installer
  // writes; anything else a log names is left alone.
  void CleanupRegistryKeys(HKEY root,
                           const std::vector<RegistryKeyRecord>& keys);
  base::FilePath StatusFilePath() const;
  std::wstring UpdateTaskName(const std::string& app_id) const;

  // Declared in the order that destruction must reverse: the logs go first,
  // then the transaction, which commits what it still holds.
  base::FilePath install_folder_;
  Transaction transaction_;
  InstallLog old_log_;
  InstallLog new_log_;
  TaskSchedulerFactory task_scheduler_factory_;
  NotifierProcessLister notifier_process_lister_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_TAVRIN_INSTALLER_TAVRIN_INSTALLER_H_
