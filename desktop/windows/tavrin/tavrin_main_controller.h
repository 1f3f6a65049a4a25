#ifndef DESKTOP_WINDOWS_TAVRIN_TAVRIN_MAIN_CONTROLLER_H_
#define DESKTOP_WINDOWS_TAVRIN_TAVRIN_MAIN_CONTROLLER_H_

#include <windows.h>

#include <memory>
#include <string>

class MainWindow;
class NotificationManager;
class PrefRegistrySimple;
class PrefService;
class ProcessMonitor;
class TavrinNotificationScheduler;

namespace base {
template <typename Type>
class Singleton;
}

// The notifier's spine: builds every notifier module in a fixed order, owns
// them, starts the browser through its launcher and ends the message loop.
// Lives on the UI thread from the first GetInstance until the at-exit
// manager deletes it.
class TavrinMainController {
 public:
  static TavrinMainController* GetInstance();

  TavrinMainController(const TavrinMainController&) = delete;
  TavrinMainController& operator=(const TavrinMainController&) = delete;

  // Builds the notifier: prefs on tavrin_prefs.json, the hidden main window
  // with the tray icon, the notification manager (and the hint of the switch
  // "test-notification" one second later), the analytics sender and the
  // scheduler of the hint checks, and last starts the process monitor. Returns
  // false when the notifier must not run (its content files are not the shipped
  // ones).
  bool Init(HINSTANCE instance);

  // Registers every setting of the notifier with its default.
  static void RegisterPrefs(PrefRegistrySimple* registry);

  // The client id of the analytics events: the switch
  // "analytics-client-id" if given, else one GUID made on first use and kept
  // in prefs.
  std::string GetAnalyticsClientId();

  // Starts launcher.exe from the folder above the notifier's, marked as
  // started by the notifier (from a hint when |from_hint|), with |url|.
  // Failures are logged only.
  void LaunchBrowser(const std::string& url, bool from_hint);

  // Saves the launcher log and ends the message loop once it is idle;
  // called when the main window closes.
  void Quit();

  HINSTANCE instance() const { return instance_; }
  PrefService* pref_service() const { return pref_service_.get(); }
  MainWindow* main_window() const { return main_window_.get(); }
  NotificationManager* notification_manager() const {
    return notification_manager_.get();
  }
  // Exists from construction on; watching starts with Init.
  ProcessMonitor* process_monitor() const { return process_monitor_.get(); }
  TavrinNotificationScheduler* scheduler() const { return scheduler_.get(); }

 private:
  friend class base::Singleton<TavrinMainController>;

  TavrinMainController();
  ~TavrinMainController();

  HINSTANCE instance_ = nullptr;
  // Empty when the window could not be created.
  std::unique_ptr<MainWindow> main_window_;
  std::unique_ptr<NotificationManager> notification_manager_;
  std::unique_ptr<PrefService> pref_service_;
  // Arms the first hint check when created.
  std::unique_ptr<TavrinNotificationScheduler> scheduler_;
  // Destroyed first: it cancels WMI's events before anything it uses goes.
  std::unique_ptr<ProcessMonitor> process_monitor_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_TAVRIN_MAIN_CONTROLLER_H_
