#include "desktop/windows/tavrin/installer/batch_file_path.h"

#include <windows.h>

#include <vector>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace installer {

namespace {

std::wstring GetShortPath(const std::wstring& path) {
  const DWORD size = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (!size)
    return std::wstring();
  std::vector<wchar_t> buffer(size);
  const DWORD length = ::GetShortPathNameW(path.c_str(), buffer.data(), size);
  if (!length || length >= size)
    return std::wstring();
  return std::wstring(buffer.data(), length);
}

}  // namespace

BatchFilePath ToBatchFilePath(const base::FilePath& path) {
  BatchFilePath result;
  std::wstring text = path.native();
  if (!base::IsStringASCII(text)) {
    const std::wstring short_path = GetShortPath(text);
    if (!short_path.empty() && base::IsStringASCII(short_path))
      text = short_path;
    else
      result.needs_utf8_code_page = true;
  }
  result.text = base::WideToUTF8(text);
  base::ReplaceSubstringsAfterOffset(&result.text, 0, "%", "%%");
  return result;
}

}  // namespace installer
