#include "desktop/windows/tavrin/connected_state.h"

#include <wininet.h>

namespace {

ConnectedStateFunction g_connected_state_function = nullptr;

}  // namespace

bool IsInternetConnected() {
  ConnectedStateFunction function = g_connected_state_function
                                        ? g_connected_state_function
                                        : &::InternetGetConnectedState;
  DWORD flags = 0;
  return function(&flags, 0) != FALSE;
}

void SetConnectedStateFunctionForTesting(ConnectedStateFunction function) {
  g_connected_state_function = function;
}
