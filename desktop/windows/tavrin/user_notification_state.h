#ifndef DESKTOP_WINDOWS_TAVRIN_USER_NOTIFICATION_STATE_H_
#define DESKTOP_WINDOWS_TAVRIN_USER_NOTIFICATION_STATE_H_

#include <windows.h>

#include <shellapi.h>

// Whether the user can be disturbed now (SHQueryUserNotificationState),
// through a seam that tests can replace: a test machine cannot be put into
// presentation mode or a full-screen game.
HRESULT QueryUserNotificationState(QUERY_USER_NOTIFICATION_STATE* state);

// Tests only: |function| answers QueryUserNotificationState from now on;
// null restores the system's answer.
using UserNotificationStateFunction =
    HRESULT(WINAPI*)(QUERY_USER_NOTIFICATION_STATE* state);
void SetUserNotificationStateFunctionForTesting(
    UserNotificationStateFunction function);

#endif  // DESKTOP_WINDOWS_TAVRIN_USER_NOTIFICATION_STATE_H_
