#include "desktop/windows/installer/service/component_record.h"

namespace installer {

ComponentRecord::ComponentRecord() = default;

ComponentRecord::ComponentRecord(const std::string& name,
                                 const std::wstring& path)
    : name(name), path(path) {}

ComponentRecord::ComponentRecord(const ComponentRecord& other) = default;

ComponentRecord& ComponentRecord::operator=(const ComponentRecord& other) =
    default;

ComponentRecord::~ComponentRecord() = default;

}  // namespace installer
