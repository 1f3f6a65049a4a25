#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/access_rights.h"
#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace installer {

namespace {

constexpr DWORD kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

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
}

bool ChangeRegValueOperation::Do(Transaction* nested) {
  VLOG(1) << "Attempting to change registry value at " << root_ << ": "
          << key_path_ << " - " << value_name_ << ". New Type:" << new_type_;

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
    if (key_.DeleteValue(value_name_) != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to remove " << value_name_ << " from "
                 << object_name;
      return false;
    }
  } else if (key_.WriteValue(value_name_, new_data_.data(),
                             static_cast<DWORD>(new_data_.size()),
                             new_type_) != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed writing " << value_name_ << " to " << object_name;
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
    key_.DeleteValue(value_name_);
  } else {
    key_.WriteValue(value_name_, old_data_.data(),
                    static_cast<DWORD>(old_data_.size()), old_type_);
  }
}

LONG ChangeRegValueOperation::OpenKey() {
  // A handle from an earlier attempt is replaced, not leaked.
  return key_.Open(root_, key_path_, kValueAccess);
}

bool ChangeRegValueOperation::ReadOldValue(const std::string& object_name) {
  DWORD size = 0;
  LONG result = RegQueryValueExW(key_.Handle(), value_name_.c_str(), nullptr,
                                 nullptr, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The value doesn't already exist.";
    old_type_ = kNoValue;
    return true;
  }
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to read " << value_name_ << " from " << object_name;
    return false;
  }

  old_data_.resize(size);
  DWORD type = REG_NONE;
  result =
      RegQueryValueExW(key_.Handle(), value_name_.c_str(), nullptr, &type,
                       old_data_.empty() ? nullptr : old_data_.data(), &size);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to read " << value_name_ << " from " << object_name
               << " (but we succeeded before).";
    old_data_.clear();
    return false;
  }
  old_type_ = type;
  old_data_.resize(size);
  VLOG(1) << "Value read successfully.";
  return true;
}

}  // namespace installer
