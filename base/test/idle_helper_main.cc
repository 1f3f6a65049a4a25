// A program that does nothing but stay alive, so that a test has a process
// of its own to look for or to hold a file in use. The test ends it; the
// time limit only keeps it from lingering after a test that crashed.
#include <windows.h>

int main() {
  Sleep(60 * 1000);
  return 0;
}
