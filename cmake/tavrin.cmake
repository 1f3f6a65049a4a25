# Shared build rules for the programs, libraries and tests.

# nlohmann/json is header-only; its folder alone goes on the include path, as
# the whole of /usr/include would break the MinGW headers.
set(TAVRIN_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party_include)
file(MAKE_DIRECTORY ${TAVRIN_THIRD_PARTY_INCLUDE})
if(NOT EXISTS ${TAVRIN_THIRD_PARTY_INCLUDE}/nlohmann)
  file(CREATE_LINK /usr/include/nlohmann ${TAVRIN_THIRD_PARTY_INCLUDE}/nlohmann
       SYMBOLIC)
endif()

add_library(tavrin_build_flags INTERFACE)
target_include_directories(tavrin_build_flags INTERFACE
  ${CMAKE_SOURCE_DIR} ${TAVRIN_THIRD_PARTY_INCLUDE})
target_compile_definitions(tavrin_build_flags INTERFACE
  UNICODE _UNICODE NOMINMAX WINVER=0x0600 _WIN32_WINNT=0x0600
  NTDDI_VERSION=0x06000000)
target_compile_options(tavrin_build_flags INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wno-unknown-pragmas>)
# No MinGW run-time DLLs: everything but the system's own DLLs is linked in.
target_link_options(tavrin_build_flags INTERFACE
  -static -static-libgcc -static-libstdc++)

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

# tavrin_add_library(name SOURCES ... [LIBS ...])
function(tavrin_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC tavrin_build_flags ${ARG_LIBS})
endfunction()

# tavrin_add_program(name SOURCES ... [LIBS ...] [RESOURCES ...] [SHIPPED])
# A 32-bit GUI-subsystem program with a wide entry point (wWinMain), carrying
# the shared resources: manifest, icon group 1 and product description.
# SHIPPED: a program that users install. It is stripped of debug information
# and symbols after linking (smaller download, faster start); the unstripped
# file stays in the build tree as unstripped/NAME.exe for debugging.
function(tavrin_add_program name)
  cmake_parse_arguments(ARG "SHIPPED" "" "SOURCES;LIBS;RESOURCES" ${ARGN})
  add_executable(${name} WIN32 ${ARG_SOURCES} ${ARG_RESOURCES}
                 ${TAVRIN_COMMON_RESOURCES})
  target_link_libraries(${name} PRIVATE tavrin_build_flags ${ARG_LIBS})
  target_link_options(${name} PRIVATE -mwindows -municode)
  if(ARG_SHIPPED)
    set(unstripped ${CMAKE_BINARY_DIR}/unstripped/$<TARGET_FILE_NAME:${name}>)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/unstripped
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${unstripped}
      COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${name}>
      VERBATIM)
  endif()
endfunction()

# tavrin_add_test(name SOURCES ... [LIBS ...] [RESOURCES ...] [ARGS ...]
#                 [TIMEOUT seconds] [SERIAL] [NO_GTEST_MAIN])
# A GoogleTest binary run under Wine. SERIAL keeps it apart from other
# SERIAL tests (they look windows up by class and title).
function(tavrin_add_test name)
  cmake_parse_arguments(ARG "SERIAL;NO_GTEST_MAIN" "TIMEOUT"
                        "SOURCES;LIBS;RESOURCES;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_RESOURCES})
  if(ARG_NO_GTEST_MAIN)
    set(main_lib gtest gmock)
  else()
    set(main_lib gtest gmock gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE tavrin_build_flags ${ARG_LIBS}
                        ${main_lib})
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    FIXTURES_REQUIRED wine
    ENVIRONMENT "TAVRIN_WINE_ENV=${CMAKE_BINARY_DIR}/wine/env")
  if(ARG_SERIAL)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop_windows)
  endif()
endfunction()

# One Wine prefix, one Xvfb, one persistent wineserver with its desktop and
# one analytics capture proxy for the whole run.
function(tavrin_add_wine_fixture)
  set(dir ${CMAKE_BINARY_DIR}/wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(wine_arch win64)
  else()
    set(wine_arch win32)
  endif()
  # The desktop is started with the environment, not by the first window
  # test (see tests/test/desktop_keeper.cc).
  add_test(NAME wine_start
           COMMAND ${CMAKE_COMMAND} -E env TAVRIN_WINE_ARCH=${wine_arch}
                   ${CMAKE_SOURCE_DIR}/tools/wine_env.sh start ${dir}
                   $<TARGET_FILE:desktop_keeper>)
  add_test(NAME wine_stop
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wine_env.sh stop ${dir})
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endfunction()

# tavrin_shipped_program(var target): the file of a shipped program that the
# PE checks look at. A 64-bit test build checks the 32-bit programs that
# TAVRIN_SHIPPED_BIN_DIR holds, as those are what ships.
set(TAVRIN_SHIPPED_BIN_DIR "" CACHE PATH
    "Folder of the shipped 32-bit programs, for 64-bit test builds")
function(tavrin_shipped_program var target)
  if(TAVRIN_SHIPPED_BIN_DIR)
    set(${var} ${TAVRIN_SHIPPED_BIN_DIR}/${target}.exe PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
  endif()
endfunction()
