#include "desktop/windows/installer/service/install_log_serializer.h"

#include <string_view>
#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/xml_document.h"

namespace installer {

namespace {

constexpr char kRoot[] = "install_log";
constexpr char kVersion[] = "version";
constexpr char kCopyOnly[] = "copy_only";
constexpr char kAllUsers[] = "all_users";
constexpr char kPinned[] = "pinned";
constexpr char kAppId[] = "app_id";
constexpr char kPath[] = "path";
constexpr char kSubfolder[] = "subfolder";
constexpr char kFiles[] = "files";
constexpr char kRootFiles[] = "root_files";
constexpr char kFile[] = "file";
constexpr char kRegistry[] = "registry";
constexpr char kHive[] = "hive";
constexpr char kHklm[] = "HKLM";
constexpr char kHkcu[] = "HKCU";
constexpr char kKey[] = "key";
constexpr char kClean[] = "clean";
constexpr char kValue[] = "value";
constexpr char kName[] = "name";
constexpr char kType[] = "type";
constexpr char kShortcut[] = "shortcut";
constexpr char kComponents[] = "components";
constexpr char kComponent[] = "component";

constexpr char kTrue[] = "True";
constexpr char kFalse[] = "False";

constexpr char kDesktop[] = "SC_DEST_DESKTOP";
constexpr char kCommonDesktop[] = "SC_DEST_COMMON_DESKTOP";
constexpr char kMenu[] = "SC_DEST_MENU";
constexpr char kCommonMenu[] = "SC_DEST_COMMON_MENU";
constexpr char kQuickLaunch[] = "SC_DEST_QUICK_LAUNCH";

bool IsUnicodeWhitespace(wchar_t c) {
  return (c >= 0x0009 && c <= 0x000D) || c == 0x0020 || c == 0x0085 ||
         c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// UTF-8 text of the file as a wide string without white space at its ends.
std::wstring ToTrimmedWide(const std::string& utf8) {
  std::wstring wide = base::UTF8ToWide(utf8);
  size_t begin = 0;
  size_t end = wide.size();
  while (begin < end && IsUnicodeWhitespace(wide[begin]))
    ++begin;
  while (end > begin && IsUnicodeWhitespace(wide[end - 1]))
    --end;
  return wide.substr(begin, end - begin);
}

bool Fail(std::string_view why) {
  VLOG(1) << "Install log not read: " << why;
  return false;
}

}  // namespace

InstallLogSerializer::InstallLogSerializer()
    : InstallLogSerializer(std::make_unique<XmlDocument>()) {}

InstallLogSerializer::InstallLogSerializer(
    std::unique_ptr<XmlDocument> document)
    : document_(std::move(document)) {}

InstallLogSerializer::~InstallLogSerializer() = default;

bool InstallLogSerializer::Load(InstallLog* log, const std::wstring& path) {
  log->files.clear();
  log->hkcu_keys.clear();
  log->hklm_keys.clear();
  log->root_files.clear();

  if (!document_->Load(path))
    return Fail("no well-formed file");

  std::string name;
  if (document_->MoveToFirstChild() != XmlDocument::MOVED ||
      !document_->GetName(&name) || name != kRoot) {
    return Fail("no root element");
  }
  if (!ReadRootAttributes(log))
    return false;

  if (document_->MoveToFirstChild() != XmlDocument::MOVED ||
      !document_->GetName(&name) || name != kPath) {
    return Fail("no path");
  }
  if (!ReadPath(log))
    return false;

  if (document_->MoveToNextSibling() != XmlDocument::MOVED ||
      !document_->GetName(&name) || name != kFiles) {
    return Fail("no files");
  }
  if (!ReadFileList(&log->files))
    return false;

  // The optional parts follow in a fixed order; each step below either
  // consumes elements of its own name or leaves them to the next.
  auto next = [this, &name]() {
    XmlDocument::MoveResult result = document_->MoveToNextSibling();
    if (result == XmlDocument::MOVED && !document_->GetName(&name))
      return XmlDocument::COM_FAILURE;
    return result;
  };
  XmlDocument::MoveResult result = next();

  if (result == XmlDocument::MOVED && name == kRootFiles) {
    if (!ReadFileList(&log->root_files))
      return false;
    result = next();
  }
  while (result == XmlDocument::MOVED && name == kRegistry) {
    if (!ReadRegistry(log))
      return false;
    result = next();
  }
  while (result == XmlDocument::MOVED && name == kShortcut) {
    if (!ReadShortcut(log))
      return false;
    result = next();
  }
  if (result == XmlDocument::MOVED && name == kComponents) {
    if (!ReadComponents(log))
      return false;
    result = next();
  }

  if (result == XmlDocument::NO_SUCH_ELEMENT)
    return true;
  if (result == XmlDocument::COM_FAILURE)
    return Fail("DOM failure");
  return Fail("unexpected element " + name);
}

bool InstallLogSerializer::ReadRootAttributes(InstallLog* log) {
  std::string value;
  if (!document_->GetAttribute(kVersion, &value))
    return Fail("no version");
  log->version = value;

  if (document_->GetAttribute(kAppId, &value))
    log->app_id = value;

  struct Flag {
    const char* name;
    bool* field;
  };
  const Flag flags[] = {{kCopyOnly, &log->copy_only},
                        {kAllUsers, &log->all_users},
                        {kPinned, &log->pinned}};
  for (const Flag& flag : flags) {
    if (!document_->GetAttribute(flag.name, &value))
      return Fail(std::string("no ") + flag.name);
    *flag.field = value == kTrue;
  }
  return true;
}

bool InstallLogSerializer::ReadPath(InstallLog* log) {
  std::string value;
  if (document_->GetAttribute(kSubfolder, &value))
    log->subfolder = ToTrimmedWide(value);
  if (!document_->GetText(&value))
    return Fail("no path text");
  log->install_path = ToTrimmedWide(value);
  return true;
}

bool InstallLogSerializer::ReadFileList(std::vector<std::wstring>* files) {
  if (document_->MoveToFirstChild() != XmlDocument::MOVED)
    return Fail("empty file list");
  XmlDocument::MoveResult result;
  do {
    std::string name;
    std::string text;
    if (!document_->GetName(&name) || name != kFile ||
        !document_->GetText(&text)) {
      return Fail("file list holds something else");
    }
    files->push_back(ToTrimmedWide(text));
    result = document_->MoveToNextSibling();
  } while (result == XmlDocument::MOVED);
  if (result != XmlDocument::NO_SUCH_ELEMENT ||
      document_->MoveToParent() != XmlDocument::MOVED) {
    return Fail("DOM failure");
  }
  return true;
}

bool InstallLogSerializer::ReadRegistry(InstallLog* log) {
  std::string hive;
  if (!document_->GetAttribute(kHive, &hive))
    return Fail("no hive");
  std::vector<RegistryKeyRecord>* keys;
  if (hive == kHklm)
    keys = &log->hklm_keys;
  else if (hive == kHkcu)
    keys = &log->hkcu_keys;
  else
    return Fail("unknown hive " + hive);

  if (document_->MoveToFirstChild() != XmlDocument::MOVED)
    return Fail("registry without keys");
  XmlDocument::MoveResult result;
  do {
    if (!ReadKey(keys))
      return false;
    result = document_->MoveToNextSibling();
  } while (result == XmlDocument::MOVED);
  if (result != XmlDocument::NO_SUCH_ELEMENT ||
      document_->MoveToParent() != XmlDocument::MOVED) {
    return Fail("DOM failure");
  }
  return true;
}

bool InstallLogSerializer::ReadKey(std::vector<RegistryKeyRecord>* keys) {
  std::string name;
  if (!document_->GetName(&name) || name != kKey)
    return Fail("registry holds something else");
  RegistryKeyRecord key;
  std::string clean;
  if (!document_->GetAttribute(kPath, &key.path) ||
      !document_->GetAttribute(kClean, &clean)) {
    return Fail("key without path or clean");
  }
  if (!base::StringToInt(clean, &key.clean_depth))
    return Fail("clean is no number: " + clean);
  keys->push_back(std::move(key));
  RegistryKeyRecord& record = keys->back();

  XmlDocument::MoveResult result = document_->MoveToFirstChild();
  if (result == XmlDocument::NO_SUCH_ELEMENT)
    return true;
  while (result == XmlDocument::MOVED) {
    RegistryValueRecord value;
    std::string data;
    if (!document_->GetName(&name) || name != kValue)
      return Fail("key holds something else");
    if (!document_->GetAttribute(kName, &value.name) ||
        !document_->GetAttribute(kType, &value.type) ||
        !document_->GetText(&data)) {
      return Fail("value without name or type");
    }
    value.data = base::TrimWhitespaceASCII(data);
    record.values.push_back(std::move(value));
    result = document_->MoveToNextSibling();
  }
  if (result != XmlDocument::NO_SUCH_ELEMENT ||
      document_->MoveToParent() != XmlDocument::MOVED) {
    return Fail("DOM failure");
  }
  return true;
}

bool InstallLogSerializer::ReadShortcut(InstallLog* log) {
  std::string kind;
  std::string text;
  if (!document_->GetAttribute(kType, &kind) || !document_->GetText(&text))
    return Fail("shortcut without type");
  std::wstring* field;
  if (kind == kDesktop || kind == kCommonDesktop)
    field = &log->desktop_shortcut;
  else if (kind == kMenu || kind == kCommonMenu)
    field = &log->menu_shortcut;
  else if (kind == kQuickLaunch)
    field = &log->quick_launch_shortcut;
  else
    return Fail("unknown shortcut kind " + kind);
  *field = ToTrimmedWide(text);
  return true;
}

bool InstallLogSerializer::ReadComponents(InstallLog* log) {
  if (document_->MoveToFirstChild() != XmlDocument::MOVED)
    return Fail("empty components");
  XmlDocument::MoveResult result;
  do {
    std::string name;
    if (!document_->GetName(&name) || name != kComponent)
      return Fail("components hold something else");
    ComponentRecord component;
    std::string path;
    if (document_->MoveToFirstChild() != XmlDocument::MOVED ||
        !document_->GetName(&name) || name != kName ||
        !document_->GetText(&component.name) ||
        document_->MoveToNextSibling() != XmlDocument::MOVED ||
        !document_->GetName(&name) || name != kPath ||
        !document_->GetText(&path)) {
      return Fail("component without name and path");
    }
    component.path = ToTrimmedWide(path);
    log->components.push_back(std::move(component));
    if (document_->MoveToParent() != XmlDocument::MOVED)
      return Fail("DOM failure");
    result = document_->MoveToNextSibling();
  } while (result == XmlDocument::MOVED);
  if (result != XmlDocument::NO_SUCH_ELEMENT ||
      document_->MoveToParent() != XmlDocument::MOVED) {
    return Fail("DOM failure");
  }
  return true;
}

bool InstallLogSerializer::Save(const InstallLog& log,
                                const std::wstring& path) {
  if (!document_->CreateDocument()) {
    LOG(ERROR) << "No XML document for the install log";
    return false;
  }

  // A log missing any part would later leave files or registry values of
  // this installation behind, so a single failed DOM step fails the save
  // before anything is written.
  XmlDocument& document = *document_;
  bool built = document.AppendChild(kRoot);
  built &= document.SetAttribute(kVersion, log.version);
  built &= document.SetAttribute(kCopyOnly, log.copy_only ? kTrue : kFalse);
  built &= document.SetAttribute(kAllUsers, log.all_users ? kTrue : kFalse);
  built &= document.SetAttribute(kPinned, log.pinned ? kTrue : kFalse);
  built &= document.SetAttribute(kAppId, log.app_id);

  built &= document.AppendChild(kPath);
  built &= document.SetAttribute(kSubfolder, base::WideToUTF8(log.subfolder));
  if (!log.install_path.empty())
    built &= document.SetText(base::WideToUTF8(log.install_path));
  built &= document.Ascend();

  built &= WriteFileList(kFiles, log.files);
  if (!log.root_files.empty())
    built &= WriteFileList(kRootFiles, log.root_files);
  if (!log.hklm_keys.empty())
    built &= WriteRegistry(kHklm, log.hklm_keys);
  if (!log.hkcu_keys.empty())
    built &= WriteRegistry(kHkcu, log.hkcu_keys);

  const std::pair<const std::wstring*, const char*> shortcuts[] = {
      {&log.desktop_shortcut, log.all_users ? kCommonDesktop : kDesktop},
      {&log.menu_shortcut, log.all_users ? kCommonMenu : kMenu},
      {&log.quick_launch_shortcut, kQuickLaunch}};
  for (const auto& [shortcut, kind] : shortcuts) {
    if (shortcut->empty())
      continue;
    built &= document.AppendChild(kShortcut);
    built &= document.SetAttribute(kType, kind);
    built &= document.SetText(base::WideToUTF8(*shortcut));
    built &= document.Ascend();
  }

  if (!log.components.empty()) {
    built &= document.AppendChild(kComponents);
    for (const ComponentRecord& component : log.components) {
      built &= document.AppendChild(kComponent);
      built &= WriteTextElement(kName, component.name);
      built &= WriteTextElement(kPath, base::WideToUTF8(component.path));
      built &= document.Ascend();
    }
    built &= document.Ascend();
  }

  if (!built) {
    LOG(ERROR) << "Could not build the install log document";
    return false;
  }
  std::string text;
  if (!document.Serialize(&text)) {
    LOG(ERROR) << "Could not serialise the install log";
    return false;
  }
  // A half-written log would make every later uninstall refuse to run: the
  // new text goes to a file of its own and then replaces the old one.
  return base::WriteFileAtomically(base::FilePath(path), text);
}

bool InstallLogSerializer::WriteTextElement(const std::string& name,
                                            const std::string& text) {
  bool built = document_->AppendChild(name);
  if (!text.empty())
    built &= document_->SetText(text);
  return document_->Ascend() && built;
}

bool InstallLogSerializer::WriteFileList(
    const std::string& name,
    const std::vector<std::wstring>& files) {
  bool built = document_->AppendChild(name);
  for (const std::wstring& file : files)
    built &= WriteTextElement(kFile, base::WideToUTF8(file));
  return document_->Ascend() && built;
}

bool InstallLogSerializer::WriteRegistry(
    const std::string& hive,
    const std::vector<RegistryKeyRecord>& keys) {
  bool built = document_->AppendChild(kRegistry);
  built &= document_->SetAttribute(kHive, hive);
  for (const RegistryKeyRecord& key : keys) {
    built &= document_->AppendChild(kKey);
    built &= document_->SetAttribute(kPath, key.path);
    built &=
        document_->SetAttribute(kClean, base::NumberToString(key.clean_depth));
    for (const RegistryValueRecord& value : key.values) {
      built &= document_->AppendChild(kValue);
      built &= document_->SetAttribute(kName, value.name);
      built &= document_->SetAttribute(kType, value.type);
      if (!value.data.empty())
        built &= document_->SetText(value.data);
      built &= document_->Ascend();
    }
    built &= document_->Ascend();
  }
  return document_->Ascend() && built;
}

}  // namespace installer
