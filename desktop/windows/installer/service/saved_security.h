#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SAVED_SECURITY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SAVED_SECURITY_H_

#include <windows.h>

#include <aclapi.h>

#include <string>

namespace installer {

// The access list an object had before the current user was granted access
// to it, kept so that it can be written back later. Destroying the record
// without writing it back leaves the granted access in place.
class SavedSecurity {
 public:
  // Takes ownership of |descriptor|, which the system allocated and which
  // |dacl| points into.
  SavedSecurity(std::wstring object_name,
                SE_OBJECT_TYPE object_type,
                PACL dacl,
                PSECURITY_DESCRIPTOR descriptor);
  SavedSecurity(const SavedSecurity&) = delete;
  SavedSecurity& operator=(const SavedSecurity&) = delete;
  ~SavedSecurity();

  const std::wstring& object_name() const { return object_name_; }
  SE_OBJECT_TYPE object_type() const { return object_type_; }
  PACL dacl() const { return dacl_; }

 private:
  std::wstring object_name_;
  SE_OBJECT_TYPE object_type_;
  PACL dacl_;
  PSECURITY_DESCRIPTOR descriptor_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SAVED_SECURITY_H_
