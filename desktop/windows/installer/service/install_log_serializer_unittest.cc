#include "desktop/windows/installer/service/install_log_serializer.h"

#include <objbase.h>
#include <windows.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/xml_document.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

constexpr char kAttrs[] =
    R"(version="" copy_only="False" all_users="False" pinned="False" )"
    R"(app_id="1")";
constexpr char kHead[] =
    R"(<path subfolder="">D:\T</path><files><file>a.exe</file></files>)";

// The root element with |attrs| around |body|.
std::string Doc(const std::string& body, const std::string& attrs = kAttrs) {
  return "<install_log " + attrs + ">" + body + "</install_log>";
}

// A log with every part, one root child per entry, in file order.
std::vector<std::string> FullLogChildren() {
  return {
      " <path subfolder=\"bin\">C:\\Program Files\\Ulvena\\T</path>\n",
      " <files>\n"
      "  <file>tavrin.exe</file>\n"
      "  <file>notifications\\a &amp; b.html</file>\n"
      " </files>\n",
      " <root_files>\n"
      "  <file>root.txt</file>\n"
      " </root_files>\n",
      " <registry hive=\"HKLM\">\n"
      "  <key path=\"Software\\A\" clean=\"-1\">\n"
      "   <value name=\"\" type=\"REG_SZ\">C:\\x</value>\n"
      "   <value name=\"b\" type=\"REG_BINARY\">01,ab,ff</value>\n"
      "  </key>\n"
      "  <key path=\"Software\\Empty\" clean=\"2\"/>\n"
      " </registry>\n",
      " <registry hive=\"HKCU\">\n"
      "  <key path=\"Software\\B\" clean=\"0\">\n"
      "   <value name=\"n\" type=\"REG_NONE\"/>\n"
      "  </key>\n"
      " </registry>\n",
      " <shortcut type=\"SC_DEST_COMMON_DESKTOP\">C:\\d.lnk</shortcut>\n",
      " <shortcut type=\"SC_DEST_COMMON_MENU\">C:\\m.lnk</shortcut>\n",
      " <shortcut type=\"SC_DEST_QUICK_LAUNCH\">C:\\q.lnk</shortcut>\n",
      " <components>\n"
      "  <component>\n"
      "   <name>core</name>\n"
      "   <path>C:\\c</path>\n"
      "  </component>\n"
      " </components>\n",
  };
}

std::string FullLogText(const std::vector<std::string>& children) {
  std::string text =
      "<?xml version=\"1.0\"?>\n"
      "<install_log version=\"1.2\" copy_only=\"True\" all_users=\"True\" "
      "pinned=\"True\" app_id=\"1475000000\">\n";
  for (const std::string& child : children)
    text += child;
  return text + "</install_log>\n";
}

InstallLog FullLog() {
  InstallLog log;
  log.version = "1.2";
  log.copy_only = true;
  log.all_users = true;
  log.pinned = true;
  log.app_id = "1475000000";
  log.install_path = L"C:\\Program Files\\Ulvena\\T";
  log.subfolder = L"bin";
  log.files = {L"tavrin.exe", L"notifications\\a & b.html"};
  log.root_files = {L"root.txt"};
  log.hklm_keys = {RegistryKeyRecord(-1, "Software\\A"),
                   RegistryKeyRecord(2, "Software\\Empty")};
  log.hklm_keys[0].values = {
      RegistryValueRecord("REG_SZ", "", "C:\\x"),
      RegistryValueRecord("REG_BINARY", "b", "01,ab,ff")};
  log.hkcu_keys = {RegistryKeyRecord(0, "Software\\B")};
  log.hkcu_keys[0].values = {RegistryValueRecord("REG_NONE", "n", "")};
  log.desktop_shortcut = L"C:\\d.lnk";
  log.menu_shortcut = L"C:\\m.lnk";
  log.quick_launch_shortcut = L"C:\\q.lnk";
  log.components = {ComponentRecord("core", L"C:\\c")};
  return log;
}

// Stands in for MSXML failing: either no DOM document can be created at all
// (MSXML 3.0 missing or broken), or one single DOM step fails midway.
class FailingXmlDocument : public XmlDocument {
 public:
  // |fail_step| counts the building steps from 0; -1 fails none.
  FailingXmlDocument(bool fail_create, int fail_step, int* steps)
      : fail_create_(fail_create), fail_step_(fail_step), steps_(steps) {}

  bool CreateDocument() override {
    return !fail_create_ && XmlDocument::CreateDocument();
  }
  bool AppendChild(const std::string& name) override {
    return Step() && XmlDocument::AppendChild(name);
  }
  bool Ascend() override { return Step() && XmlDocument::Ascend(); }
  bool SetAttribute(const std::string& name,
                    const std::string& value) override {
    return Step() && XmlDocument::SetAttribute(name, value);
  }
  bool SetText(const std::string& text) override {
    return Step() && XmlDocument::SetText(text);
  }

 private:
  bool Step() { return (*steps_)++ != fail_step_; }

  bool fail_create_;
  int fail_step_;
  int* steps_;
};

class InstallLogSerializerTest : public testing::Test {
 protected:
  void SetUp() override {
    com_initialized_ =
        SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath() / L"installation_status.xml";
  }
  void TearDown() override {
    if (com_initialized_)
      ::CoUninitialize();
  }

  bool Save(const InstallLog& log) {
    return InstallLogSerializer().Save(log, path_.wstring());
  }
  bool Load(InstallLog* log) {
    return InstallLogSerializer().Load(log, path_.wstring());
  }
  bool LoadText(const std::string& text, InstallLog* log) {
    EXPECT_TRUE(base::WriteFile(path_, text));
    return Load(log);
  }
  std::string FileText() {
    std::string text;
    EXPECT_TRUE(base::ReadFileToString(path_, &text));
    return text;
  }

  bool com_initialized_ = false;
  base::ScopedTempDir temp_dir_;
  base::FilePath path_;
};

TEST_F(InstallLogSerializerTest, SavesThePerUserExampleByteForByte) {
  InstallLog log;
  log.all_users = false;
  log.app_id = "1475000000";
  log.install_path = L"D:\\T";
  log.files = {L"tavrin.exe", L"tavrin_installer.exe"};
  log.hkcu_keys = {RegistryKeyRecord(0, "Software\\Example")};
  log.hkcu_keys[0].values = {
      RegistryValueRecord("REG_DWORD", "Setting", "00002328")};

  ASSERT_TRUE(Save(log));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n"
      "<install_log version=\"\" copy_only=\"False\" all_users=\"False\" "
      "pinned=\"False\" app_id=\"1475000000\">\n"
      " <path subfolder=\"\">D:\\T</path>\n"
      " <files>\n"
      "  <file>tavrin.exe</file>\n"
      "  <file>tavrin_installer.exe</file>\n"
      " </files>\n"
      " <registry hive=\"HKCU\">\n"
      "  <key path=\"Software\\Example\" clean=\"0\">\n"
      "   <value name=\"Setting\" type=\"REG_DWORD\">00002328</value>\n"
      "  </key>\n"
      " </registry>\n"
      "</install_log>\n",
      FileText());

  InstallLog read;
  read.all_users = true;
  ASSERT_TRUE(Load(&read));
  EXPECT_EQ(log, read);
}

TEST_F(InstallLogSerializerTest, SavesEveryPartInOrder) {
  ASSERT_TRUE(Save(FullLog()));
  EXPECT_EQ(FullLogText(FullLogChildren()), FileText());
  InstallLog read;
  ASSERT_TRUE(Load(&read));
  EXPECT_EQ(FullLog(), read);
}

TEST_F(InstallLogSerializerTest, SavesOnlyWhatIsSet) {
  InstallLog log;
  log.files = {L"a.exe"};
  log.desktop_shortcut = L"C:\\d.lnk";
  log.menu_shortcut = L"C:\\m.lnk";
  ASSERT_TRUE(Save(log));
  // The kind names follow all_users, which is set by default.
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n"
      "<install_log version=\"\" copy_only=\"False\" all_users=\"True\" "
      "pinned=\"False\" app_id=\"\">\n"
      " <path subfolder=\"\"/>\n"
      " <files>\n"
      "  <file>a.exe</file>\n"
      " </files>\n"
      " <shortcut type=\"SC_DEST_COMMON_DESKTOP\">C:\\d.lnk</shortcut>\n"
      " <shortcut type=\"SC_DEST_COMMON_MENU\">C:\\m.lnk</shortcut>\n"
      "</install_log>\n",
      FileText());

  log.all_users = false;
  log.menu_shortcut.clear();
  log.quick_launch_shortcut = L"C:\\q.lnk";
  ASSERT_TRUE(Save(log));
  std::string text = FileText();
  EXPECT_NE(
      std::string::npos,
      text.find(" <shortcut type=\"SC_DEST_DESKTOP\">C:\\d.lnk</shortcut>\n"
                " <shortcut type=\"SC_DEST_QUICK_LAUNCH\">C:\\q.lnk"
                "</shortcut>\n</install_log>\n"));
  InstallLog read;
  ASSERT_TRUE(Load(&read));
  EXPECT_EQ(log, read);
}

TEST_F(InstallLogSerializerTest, AnEmptyFileListIsWrittenButNotReadBack) {
  InstallLog log;
  ASSERT_TRUE(Save(log));
  EXPECT_NE(std::string::npos, FileText().find("\n <files/>\n"));
  InstallLog read;
  EXPECT_FALSE(Load(&read));
}

TEST_F(InstallLogSerializerTest, NonAsciiNamesRoundTrip) {
  InstallLog log;
  log.all_users = false;
  log.app_id = "1475000000";
  log.install_path = L"C:\\Użytkownicy\\Zażółć gęślą jaźń\\Ulvena\\Таврин";
  log.subfolder = L"подпапка";
  log.files = {L"tavrin.exe", L"Привет.dll", L"你好\\文件.txt"};
  log.hkcu_keys = {RegistryKeyRecord(0, "Software\\Zażółć")};
  log.hkcu_keys[0].values = {
      RegistryValueRecord("REG_SZ", "Привет", "C:\\你好\\tavrin.exe")};
  log.desktop_shortcut = L"C:\\Pulpit\\Łódź.lnk";
  log.components = {ComponentRecord("компонент", L"C:\\组件")};

  // The log lives in the install folder, which may itself be named so.
  base::FilePath folder = temp_dir_.GetPath() / L"Łódź Москва 北京";
  ASSERT_TRUE(base::CreateDirectory(folder));
  path_ = folder / L"installation_status.xml";
  ASSERT_TRUE(Save(log));

  std::string text = FileText();
  EXPECT_EQ(0u, text.find("<?xml version=\"1.0\"?>\n<install_log "));
  EXPECT_NE(std::string::npos,
            text.find(" <path subfolder=\"подпапка\">C:\\Użytkownicy\\"
                      "Zażółć gęślą jaźń\\Ulvena\\Таврин</path>\n"));
  EXPECT_NE(std::string::npos, text.find("  <file>你好\\文件.txt</file>\n"));

  InstallLog read;
  ASSERT_TRUE(Load(&read));
  EXPECT_EQ(log, read);
}

TEST_F(InstallLogSerializerTest, ReadsPastDeclarationCommentsAndInstructions) {
  InstallLog log;
  ASSERT_TRUE(LoadText(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- written -->\n"
      "<?tool x?>\n" +
          Doc("<!-- c --><path subfolder=\"\">D:\\T</path>\n<?pi?>"
              "<files><!-- c --><file>a.exe</file> text </files><!-- end -->"),
      &log));
  EXPECT_EQ(L"D:\\T", log.install_path);
  EXPECT_EQ(std::vector<std::wstring>{L"a.exe"}, log.files);
}

TEST_F(InstallLogSerializerTest, RootAttributes) {
  InstallLog log;
  log.copy_only = true;
  log.all_users = true;
  log.app_id = "kept";
  ASSERT_TRUE(
      LoadText(Doc(kHead, R"(version=" 7 " copy_only="true" all_users="TRUE" )"
                          R"(pinned="True")"),
               &log));
  EXPECT_FALSE(log.copy_only);
  EXPECT_FALSE(log.all_users);
  EXPECT_TRUE(log.pinned);
  EXPECT_EQ(" 7 ", log.version);
  EXPECT_EQ("kept", log.app_id);

  ASSERT_TRUE(
      LoadText(Doc(kHead, R"(version="" copy_only="True" )"
                          R"(all_users="True" pinned="False" app_id="")"),
               &log));
  EXPECT_TRUE(log.copy_only);
  EXPECT_TRUE(log.all_users);
  EXPECT_FALSE(log.pinned);
  EXPECT_EQ("", log.app_id);
}

TEST_F(InstallLogSerializerTest, OnlyPathAndFilesLeaveTheRestAsItWas) {
  InstallLog log = FullLog();
  ASSERT_TRUE(
      LoadText(Doc("<path>  D:\\T\t</path><files><file>\n  a.exe \r\n</file>"
                   "<file>b.dll</file></files>"),
               &log));
  EXPECT_EQ(L"D:\\T", log.install_path);
  EXPECT_EQ(L"bin", log.subfolder);  // No attribute: unchanged.
  EXPECT_EQ((std::vector<std::wstring>{L"a.exe", L"b.dll"}), log.files);
  EXPECT_TRUE(log.root_files.empty());
  EXPECT_TRUE(log.hklm_keys.empty());
  EXPECT_TRUE(log.hkcu_keys.empty());
  EXPECT_EQ(FullLog().components, log.components);
  EXPECT_EQ(L"C:\\d.lnk", log.desktop_shortcut);
}

TEST_F(InstallLogSerializerTest, UnicodeWhiteSpaceIsTrimmed) {
  InstallLog log;
  // U+00A0, U+3000, U+2028 and U+0085 around the names.
  ASSERT_TRUE(LoadText(
      Doc("<path subfolder=\"\xC2\xA0sub\xE3\x80\x80\">\xE2\x80\xA8 D:\\T"
          "</path><files><file>\xC2\x85\x61.exe\xC2\xA0</file></files>"),
      &log));
  EXPECT_EQ(L"sub", log.subfolder);
  EXPECT_EQ(L"D:\\T", log.install_path);
  EXPECT_EQ(std::vector<std::wstring>{L"a.exe"}, log.files);
}

TEST_F(InstallLogSerializerTest, RegistryKeysAndValues) {
  InstallLog log;
  log.hkcu_keys = {RegistryKeyRecord(5, "stale")};
  ASSERT_TRUE(LoadText(
      Doc(std::string(kHead) +
          "<registry hive=\"HKCU\"><key path=\"K1\" clean=\"2\"/>"
          "<key path=\" K2 \" clean=\"-7\"><value name=\" a b \" type=\"X\">"
          " data with blanks &#13;\n</value><value name=\"\" type=\"REG_SZ\"/>"
          "</key></registry>"
          "<registry hive=\"HKLM\"><key path=\"M\" clean=\"0\"/></registry>"
          "<registry hive=\"HKCU\"><key path=\"K3\" clean=\"1\"/></registry>"),
      &log));
  ASSERT_EQ(3u, log.hkcu_keys.size());
  EXPECT_EQ(RegistryKeyRecord(2, "K1"), log.hkcu_keys[0]);
  EXPECT_EQ(-7, log.hkcu_keys[1].clean_depth);
  EXPECT_EQ(" K2 ", log.hkcu_keys[1].path);
  EXPECT_EQ((std::vector<RegistryValueRecord>{
                RegistryValueRecord("X", " a b ", "data with blanks"),
                RegistryValueRecord("REG_SZ", "", "")}),
            log.hkcu_keys[1].values);
  EXPECT_EQ(RegistryKeyRecord(1, "K3"), log.hkcu_keys[2]);
  EXPECT_EQ(std::vector<RegistryKeyRecord>{RegistryKeyRecord(0, "M")},
            log.hklm_keys);
}

TEST_F(InstallLogSerializerTest, ShortcutsAndComponents) {
  InstallLog log;
  log.components = {ComponentRecord("old", L"C:\\old")};
  ASSERT_TRUE(LoadText(
      Doc(std::string(kHead) +
          "<shortcut type=\"SC_DEST_DESKTOP\">C:\\first.lnk</shortcut>"
          "<shortcut type=\"SC_DEST_MENU\"> C:\\m.lnk </shortcut>"
          "<shortcut type=\"SC_DEST_COMMON_DESKTOP\">C:\\d.lnk</shortcut>"
          "<shortcut type=\"SC_DEST_QUICK_LAUNCH\">C:\\q.lnk</shortcut>"
          "<components><component><name>n1</name><path> C:\\p1 </path>"
          "<extra/>ignored</component>"
          "<component><name>n2</name><path>C:\\p2</path></component>"
          "</components>"),
      &log));
  EXPECT_EQ(L"C:\\d.lnk", log.desktop_shortcut);
  EXPECT_EQ(L"C:\\m.lnk", log.menu_shortcut);
  EXPECT_EQ(L"C:\\q.lnk", log.quick_launch_shortcut);
  EXPECT_EQ((std::vector<ComponentRecord>{ComponentRecord("old", L"C:\\old"),
                                          ComponentRecord("n1", L"C:\\p1"),
                                          ComponentRecord("n2", L"C:\\p2")}),
            log.components);
}

TEST_F(InstallLogSerializerTest, ClearsListsEvenWhenTheReadFails) {
  InstallLog log = FullLog();
  EXPECT_FALSE(Load(&log));  // No file yet.
  EXPECT_TRUE(log.files.empty());
  EXPECT_TRUE(log.root_files.empty());
  EXPECT_TRUE(log.hklm_keys.empty());
  EXPECT_TRUE(log.hkcu_keys.empty());
  EXPECT_EQ(FullLog().components, log.components);
  EXPECT_EQ(FullLog().install_path, log.install_path);
}

TEST_F(InstallLogSerializerTest, RejectsLogsThatBreakTheFormat) {
  const std::string head = kHead;
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"not well-formed", "<install_log " + std::string(kAttrs) + ">" + head},
      {"empty file", ""},
      {"other root", "<log " + std::string(kAttrs) + ">" + head + "</log>"},
      {"no version", Doc(head, R"(copy_only="False" all_users="False" )"
                               R"(pinned="False")")},
      {"no copy_only",
       Doc(head, R"(version="" all_users="False" pinned="False")")},
      {"no all_users",
       Doc(head, R"(version="" copy_only="False" pinned="False")")},
      {"no pinned",
       Doc(head, R"(version="" copy_only="False" all_users="False")")},
      {"no children", Doc("")},
      {"files first", Doc("<files><file>a</file></files><path>D:\\T</path>")},
      {"no files", Doc("<path>D:\\T</path>")},
      {"empty files", Doc("<path>D:\\T</path><files/>")},
      {"files with text only", Doc("<path>D:\\T</path><files>a.exe</files>")},
      {"other file element",
       Doc("<path>D:\\T</path><files><file>a</file><dll>b</dll></files>")},
      {"empty root_files", Doc(head + "<root_files/>")},
      {"root_files twice",
       Doc(head + "<root_files><file>a</file></root_files>"
                  "<root_files><file>b</file></root_files>")},
      {"unknown element after files", Doc(head + "<extra/>")},
      {"unknown element before registry",
       Doc(head + "<extra/><registry hive=\"HKCU\"><key path=\"K\" "
                  "clean=\"0\"/></registry>")},
      {"registry without key", Doc(head + "<registry hive=\"HKCU\"/>")},
      {"registry without hive",
       Doc(head + "<registry><key path=\"K\" clean=\"0\"/></registry>")},
      {"hive with blank", Doc(head + "<registry hive=\"HKLM \"><key path=\"K\""
                                     " clean=\"0\"/></registry>")},
      {"hive lower case", Doc(head + "<registry hive=\"hklm\"><key path=\"K\""
                                     " clean=\"0\"/></registry>")},
      {"registry holds other", Doc(head + "<registry hive=\"HKCU\"><key "
                                          "path=\"K\" clean=\"0\"/><x/>"
                                          "</registry>")},
      {"key without path",
       Doc(head + "<registry hive=\"HKCU\"><key clean=\"0\"/></registry>")},
      {"key without clean",
       Doc(head + "<registry hive=\"HKCU\"><key path=\"K\"/></registry>")},
      {"clean a letter", Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" "
                                    "clean=\"a\"/></registry>")},
      {"clean empty", Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" "
                                 "clean=\"\"/></registry>")},
      {"clean trailing text",
       Doc(head + "<registry hive=\"HKCU\"><key "
                  "path=\"K\" clean=\"2x\"/></registry>")},
      {"clean too large", Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" "
                                     "clean=\"4294967296\"/></registry>")},
      {"key holds other", Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" "
                                     "clean=\"0\"><x/></key></registry>")},
      {"value without name",
       Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" clean=\"0\">"
                  "<value type=\"REG_SZ\">d</value></key></registry>")},
      {"value without type",
       Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" clean=\"0\">"
                  "<value name=\"v\">d</value></key></registry>")},
      {"registry after shortcut",
       Doc(head + "<shortcut type=\"SC_DEST_MENU\">m</shortcut><registry "
                  "hive=\"HKCU\"><key path=\"K\" clean=\"0\"/></registry>")},
      {"root_files after registry",
       Doc(head + "<registry hive=\"HKCU\"><key path=\"K\" clean=\"0\"/>"
                  "</registry><root_files><file>a</file></root_files>")},
      {"shortcut without type", Doc(head + "<shortcut>m</shortcut>")},
      {"unknown shortcut kind",
       Doc(head + "<shortcut type=\"SC_DEST_STARTUP\">m</shortcut>")},
      {"empty components", Doc(head + "<components/>")},
      {"components not last",
       Doc(head + "<components><component><name>n</name><path>p</path>"
                  "</component></components><shortcut type=\"SC_DEST_MENU\">"
                  "m</shortcut>")},
      {"components holds other",
       Doc(head + "<components><part><name>n</name><path>p</path></part>"
                  "</components>")},
      {"component without path",
       Doc(head + "<components><component><name>n</name></component>"
                  "</components>")},
      {"component path first",
       Doc(head + "<components><component><path>p</path><name>n</name>"
                  "</component></components>")},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    InstallLog log;
    EXPECT_FALSE(LoadText(test.text, &log));
  }
}

TEST_F(InstallLogSerializerTest, SaveWritesNothingWithoutADomDocument) {
  ASSERT_TRUE(base::WriteFile(path_, "previous"));
  int steps = 0;
  InstallLogSerializer serializer(
      std::make_unique<FailingXmlDocument>(true, -1, &steps));
  EXPECT_FALSE(serializer.Save(FullLog(), path_.wstring()));
  EXPECT_EQ("previous", FileText());

  base::FilePath missing = temp_dir_.GetPath() / L"new.xml";
  InstallLogSerializer other(
      std::make_unique<FailingXmlDocument>(true, -1, &steps));
  EXPECT_FALSE(other.Save(FullLog(), missing.wstring()));
  EXPECT_FALSE(base::PathExists(missing));
}

TEST_F(InstallLogSerializerTest, SaveWritesNothingWhenAnyDomStepFails) {
  // Each failed save logs an error; a screenful of them tells nothing here.
  struct QuietLog {
    QuietLog() { logging::SetMinLogLevel(logging::LOG_FATAL); }
    ~QuietLog() { logging::SetMinLogLevel(min_level); }
    const logging::LogSeverity min_level = logging::GetMinLogLevel();
  } quiet_log;
  int total_steps = 0;
  ASSERT_TRUE(InstallLogSerializer(
                  std::make_unique<FailingXmlDocument>(false, -1, &total_steps))
                  .Save(FullLog(), path_.wstring()));
  ASSERT_GT(total_steps, 50);
  for (int fail_step = 0; fail_step < total_steps; ++fail_step) {
    SCOPED_TRACE(fail_step);
    ASSERT_TRUE(base::WriteFile(path_, "previous"));
    int steps = 0;
    InstallLogSerializer serializer(
        std::make_unique<FailingXmlDocument>(false, fail_step, &steps));
    EXPECT_FALSE(serializer.Save(FullLog(), path_.wstring()));
    EXPECT_EQ("previous", FileText());
  }
}

TEST_F(InstallLogSerializerTest, SaveFailsWhenTheFileCannotBeWritten) {
  EXPECT_FALSE(InstallLogSerializer().Save(
      FullLog(), (temp_dir_.GetPath() / L"no" / L"log.xml").wstring()));
}

// The old log is replaced, never written over: a second name for the old
// file (a hard link) keeps the old text whole.
TEST_F(InstallLogSerializerTest, SaveReplacesTheOldFileAsAWhole) {
  ASSERT_TRUE(base::WriteFile(path_, "old log"));
  const base::FilePath old_file = temp_dir_.GetPath() / L"old.xml";
  ASSERT_TRUE(::CreateHardLinkW(old_file.c_str(), path_.c_str(), nullptr));
  ASSERT_TRUE(Save(FullLog()));
  InstallLog log;
  EXPECT_TRUE(Load(&log));
  std::string old_text;
  ASSERT_TRUE(base::ReadFileToString(old_file, &old_text));
  EXPECT_EQ("old log", old_text);
  // No temporary file is left behind.
  EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(
                                 temp_dir_.GetPath().native()),
                             std::filesystem::directory_iterator()));
}

// Damaged copies of a valid log: each one must read as the rules say or fail
// cleanly, never crash or hang.
TEST_F(InstallLogSerializerTest, DamagedLogs) {
  const std::vector<std::string> children = FullLogChildren();
  const std::string full = FullLogText(children);

  {
    SCOPED_TRACE("truncated at element boundaries");
    const size_t complete = full.find("</install_log>") + 14;
    for (size_t cut = 0; cut < full.size(); ++cut) {
      if (full[cut] != '<' && (cut == 0 || full[cut - 1] != '>'))
        continue;
      SCOPED_TRACE(cut);
      InstallLog log;
      EXPECT_EQ(cut >= complete, LoadText(full.substr(0, cut), &log));
    }
  }

  {
    SCOPED_TRACE("one attribute removed");
    const std::regex attribute(" ([a-z_]+)=\"[^\"]*\"");
    int count = 0;
    for (auto it = std::sregex_iterator(full.begin(), full.end(), attribute);
         it != std::sregex_iterator(); ++it, ++count) {
      const std::string name = (*it)[1];
      SCOPED_TRACE(name + " at " + std::to_string(it->position()));
      std::string damaged = full;
      damaged.erase(it->position(), it->length());
      InstallLog log;
      const bool optional = name == "app_id" || name == "subfolder";
      EXPECT_EQ(optional, LoadText(damaged, &log));
    }
    EXPECT_EQ(24, count);
  }

  {
    SCOPED_TRACE("root children swapped with the next");
    // Only neighbours of the same name may change places.
    const bool allowed[] = {false, false, false, true,
                            false, true,  true,  false};
    for (size_t i = 0; i + 1 < children.size(); ++i) {
      SCOPED_TRACE(i);
      std::vector<std::string> swapped = children;
      std::swap(swapped[i], swapped[i + 1]);
      InstallLog log;
      EXPECT_EQ(allowed[i], LoadText(FullLogText(swapped), &log));
    }
  }

  {
    SCOPED_TRACE("root child left out");
    // Everything after "files" is optional.
    for (size_t i = 0; i < children.size(); ++i) {
      SCOPED_TRACE(i);
      std::vector<std::string> fewer = children;
      fewer.erase(fewer.begin() + i);
      InstallLog log;
      EXPECT_EQ(i >= 2, LoadText(FullLogText(fewer), &log));
    }
  }

  {
    SCOPED_TRACE("list entries swapped");
    std::vector<std::string> swapped = children;
    swapped[1] =
        " <files><file>notifications\\a &amp; b.html</file>"
        "<file>tavrin.exe</file></files>\n";
    swapped[3] =
        " <registry hive=\"HKLM\"><key path=\"Software\\Empty\" clean=\"2\"/>"
        "<key path=\"Software\\A\" clean=\"-1\">"
        "<value name=\"b\" type=\"REG_BINARY\">01,ab,ff</value>"
        "<value name=\"\" type=\"REG_SZ\">C:\\x</value></key></registry>\n";
    InstallLog log;
    ASSERT_TRUE(LoadText(FullLogText(swapped), &log));
    InstallLog expected = FullLog();
    std::swap(expected.files[0], expected.files[1]);
    std::swap(expected.hklm_keys[0], expected.hklm_keys[1]);
    std::swap(expected.hklm_keys[1].values[0], expected.hklm_keys[1].values[1]);
    EXPECT_EQ(expected, log);
  }
}

}  // namespace
}  // namespace installer
