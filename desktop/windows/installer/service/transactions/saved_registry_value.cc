#include "desktop/windows/installer/service/transactions/saved_registry_value.h"

namespace installer {

SavedRegistryValue::SavedRegistryValue(const std::wstring& name,
                                       DWORD type,
                                       const BYTE* data,
                                       DWORD size)
    : name_(name), type_(type) {
  if (data && size)
    data_.assign(data, data + size);
}

SavedRegistryValue::~SavedRegistryValue() = default;

}  // namespace installer
