#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_SERIALIZER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_SERIALIZER_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/install_log.h"

namespace installer {

class XmlDocument;

// Reads and writes an InstallLog as installation_status.xml. Each Load and
// each Save works on a new DOM document; COM must be initialised on the
// calling thread.
class InstallLogSerializer {
 public:
  InstallLogSerializer();
  // Works through |document| instead of an MSXML-backed one; tests use it
  // to stand in for a system whose DOM cannot be created or fails midway.
  explicit InstallLogSerializer(std::unique_ptr<XmlDocument> document);
  InstallLogSerializer(const InstallLogSerializer&) = delete;
  InstallLogSerializer& operator=(const InstallLogSerializer&) = delete;
  ~InstallLogSerializer();

  // Fills |log| from the file at |path|. The file and registry lists are
  // emptied first; components read are appended, and optional parts that the
  // file lacks leave their fields as they were. True only when the whole
  // file was read; on failure |log| holds what was read before it.
  bool Load(InstallLog* log, const std::wstring& path);

  // Writes |log| to |path|, replacing the file as a whole: the old file
  // stays until the new one is complete. Writes nothing and returns
  // false when the document cannot be built or turned into text.
  bool Save(const InstallLog& log, const std::wstring& path);

 private:
  bool ReadRootAttributes(InstallLog* log);
  bool ReadPath(InstallLog* log);
  // Reads the "file" children of the element under the cursor into |files|
  // and leaves the cursor on that element.
  bool ReadFileList(std::vector<std::wstring>* files);
  bool ReadRegistry(InstallLog* log);
  bool ReadKey(std::vector<RegistryKeyRecord>* keys);
  bool ReadShortcut(InstallLog* log);
  bool ReadComponents(InstallLog* log);

  bool WriteTextElement(const std::string& name, const std::string& text);
  bool WriteFileList(const std::string& name,
                     const std::vector<std::wstring>& files);
  bool WriteRegistry(const std::string& hive,
                     const std::vector<RegistryKeyRecord>& keys);

  std::unique_ptr<XmlDocument> document_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_SERIALIZER_H_
