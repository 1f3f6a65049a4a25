// A program that does nothing but stay alive, so that a test can try to
// delete the executable of a running process. The test ends it; the time
// limit only keeps it from lingering after a test that crashed.
#include <windows.h>

int main() {
  Sleep(60 * 1000);
  return 0;
}
