#include "desktop/windows/tavrin/notification.h"

#include <algorithm>

#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/tavrin/notification_manager.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"

namespace {

constexpr char kFileUrlPrefix[] = "file:///";

// The page's address: the content folder with |src| appended as it is
// written (with '\' or '/'), then every '\' made a '/'. Nothing is escaped.
std::string BuildPageUrl(const std::string& src) {
  base::FilePath folder;
  base::PathService::Get(tavrin::DIR_NOTIFICATIONS, &folder);
  // Appended as text, not with operator/, which would let a rooted "src"
  // replace the content folder.
  std::wstring path = folder.native();
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
    path += L'\\';
  path += base::UTF8ToWide(src);
  std::string url = kFileUrlPrefix + base::WideToUTF8(path);
  std::replace(url.begin(), url.end(), '\\', '/');
  return url;
}

}  // namespace

Notification::Notification(const std::string& name,
                           const base::Value& entry,
                           NotificationManager* manager)
    : name_(name), manager_(manager) {
  std::string src;
  if (!entry.is_object() || !base::GetStringAt(entry, "src", &src) ||
      src.empty()) {
    return;
  }
  url_ = BuildPageUrl(src);

  // From here a missing key gives the empty value, a missing "height" 0.
  height_ = 0;
  base::GetStringAt(entry, "cta", &cta_);
  base::GetIntegerAt(entry, "height", &height_);
  base::GetIntegerAt(entry, "version", &version_);
  const base::Value* variants = base::FindPath(entry, "variants");
  if (variants && variants->is_array()) {
    for (const base::Value& variant : *variants) {
      if (variant.is_string())
        variants_.push_back(variant.get<std::string>());
    }
  }
}

Notification::~Notification() = default;

void Notification::SetVariant(const std::string& variant) {
  variant_ = variant;
}

void Notification::OnAccept(const Arguments& arguments) {
  LOG(INFO) << "OnAccept";
  std::string url = cta_;
  if (!arguments.empty() && V_VT(&arguments[0]) == VT_BSTR) {
    BSTR text = V_BSTR(&arguments[0]);
    url = base::WideToUTF8(
        std::wstring_view(text ? text : L"", text ? ::SysStringLen(text) : 0));
  }
  if (manager_)
    manager_->HandleAccept(this, url);
}

void Notification::OnDismiss(const Arguments& arguments) {
  LOG(INFO) << "OnDismiss";
  if (manager_)
    manager_->HandleDismiss(this);
}

void Notification::OnDontShowAgain(const Arguments& arguments) {
  LOG(INFO) << "OnDontShowAgain";
  bool value = true;
  if (!arguments.empty() && V_VT(&arguments[0]) == VT_BOOL)
    value = V_BOOL(&arguments[0]) != VARIANT_FALSE;
  if (manager_)
    manager_->HandleDontShowAgain(this, value);
}
