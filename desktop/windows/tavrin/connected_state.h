#ifndef DESKTOP_WINDOWS_TAVRIN_CONNECTED_STATE_H_
#define DESKTOP_WINDOWS_TAVRIN_CONNECTED_STATE_H_

#include <windows.h>

// Whether the system reports a connection to the internet
// (InternetGetConnectedState), through a seam that tests can replace: a test
// machine is not taken off the network.
bool IsInternetConnected();

// Tests only: |function| answers IsInternetConnected from now on; null
// restores the system's answer.
using ConnectedStateFunction = BOOL(WINAPI*)(DWORD* flags, DWORD reserved);
void SetConnectedStateFunctionForTesting(ConnectedStateFunction function);

#endif  // DESKTOP_WINDOWS_TAVRIN_CONNECTED_STATE_H_
