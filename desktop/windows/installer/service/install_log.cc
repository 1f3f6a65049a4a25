#include "desktop/windows/installer/service/install_log.h"

namespace installer {

InstallLog::InstallLog() = default;

InstallLog::InstallLog(const InstallLog& other) = default;

InstallLog& InstallLog::operator=(const InstallLog& other) = default;

InstallLog::~InstallLog() = default;

}  // namespace installer
