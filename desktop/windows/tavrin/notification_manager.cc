#include "desktop/windows/tavrin/notification_manager.h"

#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/base_window_factory.h"
#include "desktop/windows/tavrin/browser_window/browser_window.h"
#include "desktop/windows/tavrin/notification.h"
#include "desktop/windows/tavrin/notification_files_verifier.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"

namespace {

constexpr char kNotificationsPref[] = "notifications";
constexpr char kLastShownNotificationsPref[] = "last_shown_notifications";
constexpr char kConsecutiveDismissesPref[] = "consecutive_dismisses";

// Keys of one hint's state.
constexpr char kLastShowTimeKey[] = "last_show_time";
constexpr char kTotalShownKey[] = "total_shown";
constexpr char kVariantsShownKey[] = "variants_shown";
constexpr char kDontShowAgainKey[] = "dont_show_again";

constexpr char kHintCategory[] = "Hint";

// The dotted path of |key| in the state of hint |name|.
std::string NotificationStateKey(const std::string& name,
                                 const std::string& key) {
  return name + "." + key;
}

// The dotted path of the showings per variant of |notification|'s version.
std::string VariantCountsKey(const Notification& notification) {
  return NotificationStateKey(notification.name(), kVariantsShownKey) + "." +
         std::to_string(notification.version());
}

PrefService* GetPrefs() {
  return TavrinMainController::GetInstance()->pref_service();
}

}  // namespace

NotificationManager::NotificationManager(HINSTANCE instance)
    : instance_(instance),
      state_(std::make_unique<base::Value>(base::Value::object())),
      self_(std::make_shared<NotificationManager*>(this)) {
  if (PrefService* prefs = GetPrefs()) {
    base::Value stored = prefs->GetDictionary(kNotificationsPref);
    if (stored.is_object())
      *state_ = std::move(stored);
  }
  LoadNotificationsJson();
}

NotificationManager::~NotificationManager() {
  description_.reset();
  state_.reset();
  // A page's script may still hold its notification; its answers must not
  // reach a manager that is gone.
  for (const std::unique_ptr<BrowserWindow>& window : windows_) {
    if (window->notification())
      window->notification()->ClearManager();
  }
  windows_.clear();
}

// static
void NotificationManager::RegisterPrefs(PrefRegistrySimple* registry) {
  registry->RegisterDictionaryPref(kNotificationsPref);
  registry->RegisterStringPref(kLastShownNotificationsPref, std::string());
  registry->RegisterIntegerPref(kConsecutiveDismissesPref, 0);
}

void NotificationManager::LoadNotificationsJson() {
  base::FilePath folder;
  base::PathService::Get(tavrin::DIR_NOTIFICATIONS, &folder);
  std::string text;
  if (!base::ReadFileToString(folder / L"notifications.json", &text))
    return;
  std::optional<base::Value> description = base::JSONReader::Read(text);
  if (description && description->is_object())
    description_ = std::make_unique<base::Value>(std::move(*description));
}

void NotificationManager::ShowNotification(const std::string& name) {
  if (!VerifyNotificationFiles()) {
    LOG(ERROR) << "Files integrity check failed!";
    return;
  }
  if (!description_) {
    LOG(ERROR) << "No hint shown: notifications.json could not be loaded";
    return;
  }
  const base::Value* entry = base::FindPath(*description_, name);
  if (!entry || !entry->is_object())
    return;

  scoped_refptr<Notification> notification(
      new Notification(name, *entry, this));
  ChooseVariant(notification.get());

  std::unique_ptr<BrowserWindow> window =
      CreateBaseWindow<BrowserWindow>(instance_, nullptr);
  if (!window) {
    // Nothing was shown, so nothing is counted or reported.
    LOG(ERROR) << "No hint shown: the pop-up for " << name
               << " could not be created";
    return;
  }
  window->SetNotification(notification.get());
  // A pop-up closed from outside leaves the list as any other: a close
  // posted for its notification. It is no answer of the user's, so it is
  // neither counted nor reported.
  Notification* shown = notification.get();
  window->SetClosedCallback(
      [this, shown] { PostCloseWindowForNotification(shown); });
  windows_.push_back(std::move(window));

  base::SetPath(*state_, NotificationStateKey(name, kLastShowTimeKey),
                base::Time::Now().ToDoubleT());
  if (!notification->variant().empty()) {
    std::string key =
        VariantCountsKey(*notification) + "." + notification->variant();
    int count = 0;
    base::GetIntegerAt(*state_, key, &count);
    base::SetPath(*state_, key, count + 1);
  }
  int total = 0;
  std::string total_key = NotificationStateKey(name, kTotalShownKey);
  base::GetIntegerAt(*state_, total_key, &total);
  base::SetPath(*state_, total_key, total + 1);
  SaveState();

  std::string label = name + "_v" + std::to_string(notification->version());
  if (!notification->variant().empty())
    label += "_" + notification->variant();
  Analytics* analytics = Analytics::GetInstance();
  analytics->SetSessionStart();
  analytics->SendEvent(kHintCategory, "impression_showing", label);

  if (PrefService* prefs = GetPrefs())
    prefs->SetString(kLastShownNotificationsPref, name);
}

void NotificationManager::ChooseVariant(Notification* notification) {
  const std::vector<std::string>& variants = notification->variants();
  if (variants.empty())
    return;

  const base::Value* counts =
      base::GetDictionaryAt(*state_, VariantCountsKey(*notification));
  auto count_of = [counts](const std::string& variant) {
    int count = 0;
    if (counts)
      base::GetIntegerAt(*counts, variant, &count);
    return count;
  };
  int least = INT_MAX;
  for (const std::string& variant : variants)
    least = std::min(least, count_of(variant));
  std::vector<std::string> candidates;
  for (const std::string& variant : variants) {
    if (count_of(variant) == least)
      candidates.push_back(variant);
  }

  // A fresh generator for every choice, seeded from the system's source.
  std::random_device random_source;
  std::mt19937 generator(random_source());
  std::uniform_int_distribution<size_t> pick(0, candidates.size() - 1);
  notification->SetVariant(candidates[pick(generator)]);
}

bool NotificationManager::HasOpenWindow() const {
  return !windows_.empty();
}

bool NotificationManager::IsDontShowAgain(const std::string& name) const {
  bool value = false;
  base::GetBooleanAt(*state_, NotificationStateKey(name, kDontShowAgainKey),
                     &value);
  return value;
}

base::Time NotificationManager::GetLastShowTime(const std::string& name) const {
  double seconds = 0.0;
  base::GetDoubleAt(*state_, NotificationStateKey(name, kLastShowTimeKey),
                    &seconds);
  if (seconds == 0.0)
    return base::Time();
  return base::Time::FromDoubleT(seconds);
}

std::string NotificationManager::GetLastShownNotification() const {
  PrefService* prefs = GetPrefs();
  return prefs ? prefs->GetString(kLastShownNotificationsPref) : std::string();
}

int NotificationManager::GetConsecutiveDismisses() const {
  PrefService* prefs = GetPrefs();
  return prefs ? prefs->GetInteger(kConsecutiveDismissesPref) : 0;
}

void NotificationManager::HandleAccept(Notification* notification,
                                       const std::string& url) {
  Analytics::GetInstance()->SendEvent(kHintCategory, "click_accept",
                                      notification->name());
  TavrinMainController::GetInstance()->LaunchBrowser(url, true);
  if (PrefService* prefs = GetPrefs())
    prefs->SetInteger(kConsecutiveDismissesPref, 0);
  PostCloseWindowForNotification(notification);
}

void NotificationManager::HandleDismiss(Notification* notification) {
  if (PrefService* prefs = GetPrefs()) {
    prefs->SetInteger(kConsecutiveDismissesPref,
                      prefs->GetInteger(kConsecutiveDismissesPref) + 1);
  }
  Analytics::GetInstance()->SendEvent(kHintCategory, "click_dismiss",
                                      notification->name());
  PostCloseWindowForNotification(notification);
}

void NotificationManager::HandleDontShowAgain(Notification* notification,
                                              bool value) {
  Analytics::GetInstance()->SendEvent(kHintCategory, "click_do_not_show_again",
                                      notification->name());
  base::SetPath(*state_,
                NotificationStateKey(notification->name(), kDontShowAgainKey),
                value);
  SaveState();
}

void NotificationManager::CloseFirstWindow() {
  if (windows_.empty())
    return;
  Notification* notification = windows_.front()->notification();
  if (!notification)
    return;
  Analytics::GetInstance()->SendEvent(
      kHintCategory, "closed_by_tray_icon_click", notification->name());
  PostCloseWindowForNotification(notification);
}

void NotificationManager::PostCloseWindowForNotification(
    Notification* notification) {
  base::MessageLoop* loop = base::MessageLoop::current();
  if (!loop)
    return;
  // Only the identity travels: the task keeps no reference.
  std::weak_ptr<NotificationManager*> manager = self_;
  const Notification* identity = notification;
  loop->task_runner()->PostTask(
      FROM_HERE_WITH_EXPLICIT_FUNCTION(
          "NotificationManager::PostCloseWindowForNotification"),
      [manager, identity] {
        if (std::shared_ptr<NotificationManager*> self = manager.lock())
          (*self)->CloseWindowForNotification(identity);
      });
}

void NotificationManager::CloseWindowForNotification(
    const Notification* notification) {
  for (auto it = windows_.begin(); it != windows_.end(); ++it) {
    if ((*it)->notification() == notification) {
      windows_.erase(it);
      return;
    }
  }
}

void NotificationManager::SaveState() {
  if (PrefService* prefs = GetPrefs())
    prefs->Set(kNotificationsPref, *state_);
}

NotificationManager* GetNotificationManager() {
  return TavrinMainController::GetInstance()->notification_manager();
}
