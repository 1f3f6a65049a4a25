#include "desktop/windows/installer/service/registry_entry.h"

#include <algorithm>
#include <cstring>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/registry_entry_delegate.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/product_info/product_info.h"

namespace installer {

namespace {

const char* TypeName(int type) {
  switch (type) {
    case REGISTRY_ROW_NONE:
      return "REG_NONE";
    case REGISTRY_ROW_STRING:
      return "REG_SZ";
    case REGISTRY_ROW_EXPAND_STRING:
      return "REG_EXPAND_SZ";
    case REGISTRY_ROW_BINARY:
      return "REG_BINARY";
    case REGISTRY_ROW_DWORD:
      return "REG_DWORD";
  }
  return "";
}

// The log's text form of a value's data.
std::string DataText(const BYTE* data, int type, DWORD size) {
  switch (type) {
    case REGISTRY_ROW_STRING:
    case REGISTRY_ROW_EXPAND_STRING: {
      // The size counts the terminating zero.
      const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
      return base::WideToUTF8(std::wstring_view(
          text, size >= sizeof(wchar_t) ? size / sizeof(wchar_t) - 1 : 0));
    }
    case REGISTRY_ROW_BINARY: {
      // The first byte is written even for an empty value: it is then the
      // text's terminating zero.
      std::string text = base::StringPrintf("%.2x", data[0]);
      for (DWORD i = 1; i < size; ++i)
        text += base::StringPrintf(",%.2x", data[i]);
      return text;
    }
    case REGISTRY_ROW_DWORD: {
      DWORD number;
      memcpy(&number, data, sizeof(number));
      return base::StringPrintf("%.8lx", number);
    }
  }
  return std::string();
}

}  // namespace

RegistryEntry::RegistryEntry(const RegistryTableRow& row,
                             RegistryEntryDelegate* delegate)
    : row_(row), delegate_(delegate) {}

RegistryEntry::~RegistryEntry() = default;

bool RegistryEntry::CreateOperation(HKEY root,
                                    std::unique_ptr<Operation>* operation) {
  operation->reset();

  if (base::win::GetVersion() < row_.min_os_version)
    return true;
  if (row_.root && row_.root != root)
    return true;
  if (product_info::GetStream() < row_.min_stream)
    return true;

  if (row_.type == REGISTRY_ROW_DELETE_KEY) {
    *operation = std::make_unique<DeleteRegKeyOperation>(
        root, row_.key_path ? row_.key_path : L"");
    return true;
  }

  std::wstring text;
  DWORD number = 0;
  // Points at the terminating zero of an empty text when there is no data,
  // so that the log can always read one byte.
  const BYTE* data = reinterpret_cast<const BYTE*>("");
  DWORD size = 0;
  DWORD type = static_cast<DWORD>(row_.type);
  switch (row_.type) {
    case REGISTRY_ROW_DELETE_VALUE:
      type = ChangeRegValueOperation::kNoValue;
      break;
    case REGISTRY_ROW_NONE:
      break;
    case REGISTRY_ROW_STRING:
    case REGISTRY_ROW_EXPAND_STRING:
      text = ExpandVariables(row_.data.text);
      data = reinterpret_cast<const BYTE*>(text.c_str());
      size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
      break;
    case REGISTRY_ROW_BINARY:
      if (row_.data.bytes) {
        data = reinterpret_cast<const BYTE*>(row_.data.bytes);
        size = static_cast<DWORD>(strlen(row_.data.bytes));
      }
      break;
    case REGISTRY_ROW_DWORD:
      // Two's complement would write a huge number instead: the table is
      // wrong, in release builds as well.
      CHECK(row_.data.number >= 0)
          << "Negative REG_DWORD in the registry table for " << row_.key_path;
      number = static_cast<DWORD>(row_.data.number);
      data = reinterpret_cast<const BYTE*>(&number);
      size = sizeof(number);
      break;
    default:
      return false;
  }

  const std::wstring key_path = ExpandVariables(row_.key_path);
  const std::wstring value_name = ExpandVariables(row_.value_name);
  std::vector<RegistryKeyRecord>* log = delegate_->GetRegistryLog(root);
  *operation = std::make_unique<ChangeRegValueOperation>(
      root, key_path, value_name, data, type, size);
  if (log) {
    RecordRegistryValue(key_path, log, value_name, data, row_.type, size,
                        row_.clean_depth);
  }
  return true;
}

std::wstring RegistryEntry::ExpandVariables(const wchar_t* text) {
  std::wstring result = text ? text : L"";
  size_t start = 0;
  for (;;) {
    const size_t open = result.find(L'{', start);
    if (open == std::wstring::npos)
      return result;
    const size_t close = result.find(L'}', open);
    if (close == std::wstring::npos)
      return result;
    const std::wstring value =
        delegate_->ResolveVariable(result.substr(open + 1, close - open - 1));
    result.replace(open, close - open + 1, value);
    // Go on after the inserted text: a value holding its own variable
    // would otherwise be expanded without end.
    start = open + value.size();
  }
}

// static
void RegistryEntry::RecordRegistryValue(const std::wstring& key_path,
                                        std::vector<RegistryKeyRecord>* log,
                                        const std::wstring& value_name,
                                        const BYTE* data,
                                        int type,
                                        DWORD size,
                                        int clean_depth) {
  if (type == REGISTRY_ROW_DELETE_VALUE)
    return;

  const std::string path = base::WideToUTF8(key_path);
  RegistryKeyRecord* key = nullptr;
  for (auto it = log->rbegin(); it != log->rend(); ++it) {
    if (base::EqualsCaseInsensitiveASCII(it->path, path)) {
      key = &*it;
      break;
    }
  }
  if (key) {
    key->clean_depth = std::max(key->clean_depth, clean_depth);
  } else {
    log->emplace_back(clean_depth, path);
    key = &log->back();
  }

  key->values.emplace_back(TypeName(type), base::WideToUTF8(value_name),
                           DataText(data, type, size));
}

}  // namespace installer
