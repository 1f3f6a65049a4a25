#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_HINT_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_HINT_H_

#include <string>

#include "base/time/time.h"

// One hint of the catalogue, as the notification controller sees it.
class NotificationHint {
 public:
  // The key of the hint's state in prefs and of its content in
  // notifications.json.
  virtual std::string GetName() const = 0;
  // True when the hint must not be shown now. May change the hint's state:
  // the controller asks only until one hint answers false.
  virtual bool ShouldSkip() = 0;
  // Orders the hints, earliest first; the null time sorts before all others.
  virtual base::Time LastShowTime() const = 0;
  virtual ~NotificationHint() = default;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_HINT_H_
