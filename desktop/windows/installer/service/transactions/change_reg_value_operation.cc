#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/access_rights.h"
#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace installer {

namespace {

constexpr DWORD kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

// RegSetValueExW wants a buffer even for a value without bytes.
const BYTE* DataOrEmpty(const std::vector<BYTE>& data) {
  static const BYTE kEmpty = 0;
  return data.empty() ? &kEmpty : data.data();
}

}  // namespace

ChangeRegValueOperation::ChangeRegValueOperation(HKEY root,
                                                 const std::wstring& key_path,
                                                 const std::wstring& value_name,
                                                 const void* data,
                                                 DWORD type,
                                                 DWORD size)
    : root_(root),
      key_path_(key_path),
      value_name_(value_name),
      new_type_(type) {
  if (data && size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    new_data_.assign(bytes, bytes + size);
  }
}

ChangeRegValueOperation::~ChangeRegValueOperation() {
  if (saved_security_)
    RestoreSecurity(&saved_security_);
  if (key_)
    RegCloseKey(key_);
}

bool ChangeRegValueOperation::Do(Transaction* nested) {
  VLOG(1) << "Attempting to change registry value at " << root_ << ": "
          << base::WideToUTF8(key_path_) << " - "
          << base::WideToUTF8(value_name_) << ". New Type:" << new_type_;

  LONG result = OpenKey();
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "Key does not exist,";
    if (new_type_ == kNoValue) {
      VLOG(1) << "but we are trying to remove the value, nothing to do.";
      return true;
    }
    VLOG(1) << "try to create it.";
    if (!nested->Execute(
            std::make_unique<CreateRegKeyOperation>(root_, key_path_))) {
      return false;
    }
    result = OpenKey();
  }

  std::wstring wide_object_name;
  GetRegistryObjectName(root_, key_path_, &wide_object_name);
  const std::string object_name = base::WideToUTF8(wide_object_name);
  if (result == ERROR_ACCESS_DENIED ||
      (result == ERROR_SUCCESS &&
       !HasAccess(wide_object_name, SE_REGISTRY_KEY, kValueAccess))) {
    VLOG(1) << "We don't have enough permissions on the key.";
    if (!GrantCurrentUserAccess(wide_object_name, SE_REGISTRY_KEY, kValueAccess,
                                false, &saved_security_)) {
      LOG(ERROR) << "Failed to obtain sufficient permissions on "
                 << object_name;
      return false;
    }
    result = OpenKey();
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to open " << object_name;
      return false;
    }
  } else if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to open " << object_name;
    return false;
  }

  if (!ReadOldValue(object_name))
    return false;

  if (new_type_ == kNoValue) {
    if (old_type_ == kNoValue) {
      VLOG(1) << "We are supposed to remove the value. Nothing to do.";
      return true;
    }
    if (RegDeleteValueW(key_, value_name_.c_str()) != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to remove " << base::WideToUTF8(value_name_)
                 << " from " << object_name;
      return false;
    }
  } else if (RegSetValueExW(key_, value_name_.c_str(), 0, new_type_,
                            DataOrEmpty(new_data_),
                            static_cast<DWORD>(new_data_.size())) !=
             ERROR_SUCCESS) {
    LOG(ERROR) << "Failed writing " << base::WideToUTF8(value_name_) << " to "
               << object_name;
    return false;
  }

  VLOG(1) << "Value changed successfully.";
  done_ = true;
  return true;
}

void ChangeRegValueOperation::Rollback() {
  if (!done_)
    return;
  if (old_type_ == kNoValue) {
    RegDeleteValueW(key_, value_name_.c_str());
  } else {
    RegSetValueExW(key_, value_name_.c_str(), 0, old_type_,
                   DataOrEmpty(old_data_),
                   static_cast<DWORD>(old_data_.size()));
  }
}

LONG ChangeRegValueOperation::OpenKey() {
  // A handle from an earlier attempt is replaced, not leaked.
  if (key_) {
    RegCloseKey(key_);
    key_ = nullptr;
  }
  HKEY key = nullptr;
  const LONG result =
      RegOpenKeyExW(root_, key_path_.c_str(), 0, kValueAccess, &key);
  if (result == ERROR_SUCCESS)
    key_ = key;
  return result;
}

bool ChangeRegValueOperation::ReadOldValue(const std::string& object_name) {
  DWORD size = 0;
  LONG result = RegQueryValueExW(key_, value_name_.c_str(), nullptr, nullptr,
                                 nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The value doesn't already exist.";
    old_type_ = kNoValue;
    return true;
  }
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to read " << base::WideToUTF8(value_name_) << " from "
               << object_name;
    return false;
  }

  old_data_.resize(size);
  DWORD type = REG_NONE;
  result =
      RegQueryValueExW(key_, value_name_.c_str(), nullptr, &type,
                       old_data_.empty() ? nullptr : old_data_.data(), &size);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to read " << base::WideToUTF8(value_name_) << " from "
               << object_name << " (but we succeeded before).";
    old_data_.clear();
    return false;
  }
  old_type_ = type;
  old_data_.resize(size);
  VLOG(1) << "Value read successfully.";
  return true;
}

}  // namespace installer
