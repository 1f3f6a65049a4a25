# Writes the built-in digest table of the hint content folder:
#   cmake -DCONTENT_DIR=<notifications folder> -DOUTPUT=<file.cc> -P this
# Each entry holds the file's path below the folder above the content folder
# and its SHA-1, both in base64, so the table can never drift from the files
# that ship.
include(${CMAKE_CURRENT_LIST_DIR}/notification_files.cmake)

set(base64_alphabet
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")

# Standard base64 of the bytes written as hex digits in |hex|.
function(hex_to_base64 hex out_var)
  string(LENGTH "${hex}" hex_length)
  set(result "")
  set(pos 0)
  while(pos LESS hex_length)
    math(EXPR left "${hex_length} - ${pos}")
    if(left GREATER 6)
      set(left 6)
    endif()
    string(SUBSTRING "${hex}" ${pos} ${left} group)
    string(LENGTH "${group}" group_length)
    while(group_length LESS 6)
      string(APPEND group "0")
      math(EXPR group_length "${group_length} + 1")
    endwhile()
    math(EXPR bits "0x${group}")
    # Two hex digits per byte: 1 byte gives 2 characters, 2 give 3, 3 give 4.
    math(EXPR chars "${left} / 2 + 1")
    foreach(shift 18 12 6 0)
      if(chars GREATER 0)
        math(EXPR index "(${bits} >> ${shift}) & 63")
        string(SUBSTRING "${base64_alphabet}" ${index} 1 char)
        string(APPEND result "${char}")
      else()
        string(APPEND result "=")
      endif()
      math(EXPR chars "${chars} - 1")
    endforeach()
    math(EXPR pos "${pos} + 6")
  endwhile()
  set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

list(LENGTH NOTIFICATION_FILES count)
if(NOT count EQUAL 73)
  message(FATAL_ERROR "the content table must hold 73 files, not ${count}")
endif()

set(rows "")
foreach(relative ${NOTIFICATION_FILES})
  set(file "${CONTENT_DIR}/${relative}")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "content file missing: ${file}")
  endif()
  string(HEX "notifications/${relative}" path_hex)
  hex_to_base64("${path_hex}" path_base64)
  file(SHA1 "${file}" digest_hex)
  hex_to_base64("${digest_hex}" digest_base64)
  string(APPEND rows "    {\"${path_base64}\", \"${digest_base64}\"},\n")
endforeach()

set(text "// Generated at build time from the hint content folder; do not edit.
#include <iterator>

#include \"desktop/windows/tavrin/notification_files_table.h\"

const NotificationFileDigest kNotificationFileDigests[] = {
${rows}};

const size_t kNotificationFileDigestCount =
    std::size(kNotificationFileDigests);
")
# Rewrite only on change, so dependants are not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old_text)
else()
  set(old_text "")
endif()
if(NOT old_text STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
