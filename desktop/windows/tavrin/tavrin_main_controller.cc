#include "desktop/windows/tavrin/tavrin_main_controller.h"

#include "base/command_line.h"
#include "base/guid.h"
#include "base/logging.h"
#include "base/memory/singleton.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "components/prefs/pref_service_factory.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/base_window_factory.h"
#include "desktop/windows/tavrin/battery_hint.h"
#include "desktop/windows/tavrin/main_window.h"
#include "desktop/windows/tavrin/notification_files_verifier.h"
#include "desktop/windows/tavrin/notification_manager.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/process_monitor.h"
#include "desktop/windows/tavrin/tavrin_notification_environment.h"
#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"

namespace {

constexpr char kAnalyticsClientIdSwitch[] = "analytics-client-id";
constexpr char kAnalyticsAppIdSwitch[] = "analytics-app-id";
// The Measurement Protocol property that the events go to.
constexpr char kAnalyticsTrackingId[] = "UA-6029174-58";
constexpr char kAnalyticsUserIdPref[] = "analytics.user_id";
// Shows the named hint one second after start, for trying a hint out.
constexpr char kTestNotificationSwitch[] = "test-notification";

// The switch that marks a browser start as the notifier's.
constexpr wchar_t kFromTavrinSwitch[] = L"--from-tavrin";
constexpr wchar_t kFromHintValue[] = L"=hint";

}  // namespace

// static
TavrinMainController* TavrinMainController::GetInstance() {
  return base::Singleton<TavrinMainController>::get();
}

TavrinMainController::TavrinMainController()
    : process_monitor_(std::make_unique<ProcessMonitor>()) {}

// Members go in reverse order of declaration: prefs before the notification
// manager, the manager (and its pop-ups) before the main window.
TavrinMainController::~TavrinMainController() = default;

bool TavrinMainController::Init(HINSTANCE instance) {
  instance_ = instance;
  base::FilePath prefs_file;
  base::PathService::Get(tavrin::FILE_PREFS, &prefs_file);

  // Pages that are not the shipped ones must never be shown: the notifier
  // then creates nothing and idles until it is ended from outside.
  if (!VerifyNotificationFiles()) {
    LOG(ERROR) << "Files integrity check failed!";
    return false;
  }

  // The prefs file is written on this (UI) thread's loop.
  PrefServiceFactory factory;
  factory.SetUserPrefsFile(prefs_file,
                           base::MessageLoop::current()->task_runner());
  auto registry = std::make_shared<PrefRegistrySimple>();
  RegisterPrefs(registry.get());
  pref_service_ = factory.Create(registry);

  main_window_ = CreateBaseWindow<MainWindow>(instance_, nullptr);

  notification_manager_ = std::make_unique<NotificationManager>(instance_);

  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  std::string test_notification =
      command_line ? command_line->GetSwitchValueASCII(kTestNotificationSwitch)
                   : std::string();
  if (!test_notification.empty()) {
    base::MessageLoop::current()->task_runner()->PostDelayedTask(
        FROM_HERE_WITH_EXPLICIT_FUNCTION("TavrinMainController::Init"),
        [this, test_notification] {
          if (notification_manager_)
            notification_manager_->ShowNotification(test_notification);
        },
        base::TimeDelta::FromSeconds(1));
  }

  // The switch replaces the built-in property even when its value is empty.
  std::string tracking_id = kAnalyticsTrackingId;
  if (command_line && command_line->HasSwitch(kAnalyticsAppIdSwitch))
    tracking_id = command_line->GetSwitchValueASCII(kAnalyticsAppIdSwitch);
  Analytics* analytics = Analytics::GetInstance();
  analytics->Init(tracking_id, GetAnalyticsClientId());
  analytics->SendEvent("Session", "start", "session");

  scheduler_ = std::make_unique<TavrinNotificationScheduler>(
      std::make_unique<TavrinNotificationEnvironment>());

  // Without WMI (or its events) the notifier still runs; the monitor logs
  // why.
  process_monitor_->Init();
  return true;
}

// static
void TavrinMainController::RegisterPrefs(PrefRegistrySimple* registry) {
  registry->RegisterStringPref(kAnalyticsUserIdPref, std::string());
  // Per-hint state, the last shown hint and the dismisses in a row.
  NotificationManager::RegisterPrefs(registry);
  // Power-triggered battery hints.
  BatteryHint::RegisterPrefs(registry);
  // When the next check for a hint is due.
  TavrinNotificationScheduler::RegisterPrefs(registry);
  ProcessMonitor::RegisterPrefs(registry);
}

std::string TavrinMainController::GetAnalyticsClientId() {
  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  if (command_line && command_line->HasSwitch(kAnalyticsClientIdSwitch))
    return command_line->GetSwitchValueASCII(kAnalyticsClientIdSwitch);

  // Without prefs (before Init) an id cannot be kept, so a fresh one is
  // returned each time.
  if (!pref_service_)
    return base::GenerateGUID();
  std::string client_id = pref_service_->GetString(kAnalyticsUserIdPref);
  if (client_id.empty()) {
    client_id = base::GenerateGUID();
    pref_service_->SetString(kAnalyticsUserIdPref, client_id);
  }
  return client_id;
}

void TavrinMainController::LaunchBrowser(const std::string& url,
                                         bool from_hint) {
  // Empty when launcher.exe is missing; the start then fails.
  base::FilePath launcher;
  base::PathService::Get(tavrin::FILE_LAUNCHER, &launcher);

  std::wstring command_line = launcher.native();
  // Unquoted, a path with a blank would let CreateProcess try every prefix
  // of it as a program ("C:\Users\Jo.exe" for C:\Users\Jo Smith\...).
  if (command_line.find_first_of(L" \t") != std::wstring::npos)
    command_line = L"\"" + command_line + L"\"";
  command_line += L" ";
  command_line += kFromTavrinSwitch;
  if (from_hint)
    command_line += kFromHintValue;
  command_line += L" ";
  command_line += base::UTF8ToWide(url);

  HANDLE process = base::LaunchProcess(command_line, base::LaunchOptions());
  if (process)
    ::CloseHandle(process);
}

void TavrinMainController::Quit() {
  process_monitor_->Shutdown();
  // Quitting when idle lets the prefs writes already posted to this loop
  // finish; once Run returns nothing is written any more.
  if (base::MessageLoop* loop = base::MessageLoop::current())
    loop->QuitWhenIdle();
}
