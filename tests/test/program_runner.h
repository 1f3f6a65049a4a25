#ifndef TESTS_TEST_PROGRAM_RUNNER_H_
#define TESTS_TEST_PROGRAM_RUNNER_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/files/file_path.h"
#include "base/time/time.h"

namespace tavrin_test {

struct ProgramResult {
  // CreateProcessW succeeded; where it did not, |start_error| is why.
  bool started = false;
  uint32_t start_error = 0;
  // The program was still running at the time limit and was terminated.
  bool timed_out = false;
  uint32_t exit_code = 0;
  // Everything the program wrote to its standard output, byte for byte.
  std::string output;
};

// Runs |program| with |arguments| (appended as given after the quoted program
// path) the way a script or another program would start it: standard output
// into a pipe that is read while the program runs, standard input and error
// on the NUL device. Returns once the program has ended, or terminates it
// when |timeout| has passed.
ProgramResult RunProgram(const base::FilePath& program,
                         const std::wstring& arguments,
                         base::TimeDelta timeout);

// Starts |program| with |arguments| and returns at once: the process's
// handle, which the caller closes, or null when it could not be started.
HANDLE StartProgram(const base::FilePath& program,
                    const std::wstring& arguments);

// The exit code of |process| once it has ended within |ms| milliseconds,
// else STILL_ACTIVE.
DWORD ExitCodeAfter(HANDLE process, DWORD ms);

// |file_name| in the folder of the running test program, where the build
// puts every program.
base::FilePath GetProgramNextToTest(const std::wstring& file_name);

}  // namespace tavrin_test

#endif  // TESTS_TEST_PROGRAM_RUNNER_H_
