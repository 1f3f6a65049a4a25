#include "desktop/windows/tavrin/user_notification_state.h"

namespace {

UserNotificationStateFunction g_user_notification_state_function = nullptr;

}  // namespace

HRESULT QueryUserNotificationState(QUERY_USER_NOTIFICATION_STATE* state) {
  UserNotificationStateFunction function =
      g_user_notification_state_function ? g_user_notification_state_function
                                         : &::SHQueryUserNotificationState;
  return function(state);
}

void SetUserNotificationStateFunctionForTesting(
    UserNotificationStateFunction function) {
  g_user_notification_state_function = function;
}
