# A 64-bit build of the same code, for test machines whose kernel cannot run
# 32-bit programs and so cannot run 32-bit Wine (see tools/test_arch.sh).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
