#include "desktop/windows/installer/service/transactions/saved_registry_key.h"

#include <utility>

namespace installer {

SavedRegistryKey::SavedRegistryKey(const std::wstring& path) : path_(path) {}

SavedRegistryKey::~SavedRegistryKey() = default;

void SavedRegistryKey::AddValue(std::unique_ptr<SavedRegistryValue> value) {
  values_.push_back(std::move(value));
}

}  // namespace installer
