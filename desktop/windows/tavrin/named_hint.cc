#include "desktop/windows/tavrin/named_hint.h"

#include "desktop/windows/tavrin/notification_environment.h"

NamedHint::NamedHint(const std::string& name,
                     NotificationEnvironment* environment)
    : name_(name), environment_(environment) {}

NamedHint::~NamedHint() = default;

std::string NamedHint::GetName() const {
  return name_;
}

bool NamedHint::ShouldSkip() {
  return false;
}

base::Time NamedHint::LastShowTime() const {
  return environment_->GetLastShowTime(name_);
}
