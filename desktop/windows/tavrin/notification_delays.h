#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_DELAYS_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_DELAYS_H_

#include "base/time/time.h"

// The delays that pace the hints. Each is read afresh from its switch (whole
// seconds, any int) at every use, so a test or a user can replace it.

// The value of |switch_name| in seconds when it is wholly a decimal int
// (negative values included), else |default_delay|.
base::TimeDelta GetDelayFromSwitch(const char* switch_name,
                                   base::TimeDelta default_delay);

// Before the first check after start: 300 s.
base::TimeDelta GetInitialNotificationDelay();
// Until the next check when the moment does not suit: 900 s.
base::TimeDelta GetBaseNotificationDelay();
// Between two hints, and after the browser was used: 24 hours.
base::TimeDelta GetAfterNotificationDelay();
// The quiet time after any hint that a power-triggered hint needs: 1 hour.
base::TimeDelta GetDisconnectWaitNotificationDelay();

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_DELAYS_H_
