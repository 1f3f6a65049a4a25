#ifndef DESKTOP_WINDOWS_TAVRIN_NAMED_HINT_H_
#define DESKTOP_WINDOWS_TAVRIN_NAMED_HINT_H_

#include <string>

#include "desktop/windows/tavrin/notification_hint.h"

class NotificationEnvironment;

// A hint without a condition of its own ("ads", "places"): it may be shown
// whenever the controller's checks allow it.
class NamedHint : public NotificationHint {
 public:
  NamedHint(const std::string& name, NotificationEnvironment* environment);
  NamedHint(const NamedHint&) = delete;
  NamedHint& operator=(const NamedHint&) = delete;
  ~NamedHint() override;

  std::string GetName() const override;
  bool ShouldSkip() override;
  base::Time LastShowTime() const override;

 private:
  const std::string name_;
  NotificationEnvironment* const environment_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_NAMED_HINT_H_
