#include "desktop/windows/installer/service/registry_key_record.h"

namespace installer {

RegistryKeyRecord::RegistryKeyRecord() = default;

RegistryKeyRecord::RegistryKeyRecord(int clean_depth, const std::string& path)
    : clean_depth(clean_depth), path(path) {}

RegistryKeyRecord::RegistryKeyRecord(const RegistryKeyRecord& other) = default;

RegistryKeyRecord& RegistryKeyRecord::operator=(
    const RegistryKeyRecord& other) = default;

RegistryKeyRecord::~RegistryKeyRecord() = default;

}  // namespace installer
