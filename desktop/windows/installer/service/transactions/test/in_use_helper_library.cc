// A library that a test loads, so that it can try to delete a library that
// is in use.
#include <windows.h>

extern "C" __declspec(dllexport) int InUseHelperValue() {
  return 1;
}
