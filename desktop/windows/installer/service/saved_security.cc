#include "desktop/windows/installer/service/saved_security.h"

#include <utility>

namespace installer {

SavedSecurity::SavedSecurity(std::wstring object_name,
                             SE_OBJECT_TYPE object_type,
                             PACL dacl,
                             PSECURITY_DESCRIPTOR descriptor)
    : object_name_(std::move(object_name)),
      object_type_(object_type),
      dacl_(dacl),
      descriptor_(descriptor) {}

SavedSecurity::~SavedSecurity() {
  if (descriptor_)
    LocalFree(descriptor_);
}

}  // namespace installer
