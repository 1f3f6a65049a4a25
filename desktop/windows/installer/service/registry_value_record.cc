#include "desktop/windows/installer/service/registry_value_record.h"

namespace installer {

RegistryValueRecord::RegistryValueRecord() = default;

RegistryValueRecord::RegistryValueRecord(const std::string& type,
                                         const std::string& name,
                                         const std::string& data)
    : type(type), name(name), data(data) {}

RegistryValueRecord::RegistryValueRecord(const RegistryValueRecord& other) =
    default;

RegistryValueRecord& RegistryValueRecord::operator=(
    const RegistryValueRecord& other) = default;

RegistryValueRecord::~RegistryValueRecord() = default;

}  // namespace installer
