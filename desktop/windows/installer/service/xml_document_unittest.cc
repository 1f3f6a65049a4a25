#include "desktop/windows/installer/service/xml_document.h"

#include <objbase.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// Keeps COM open for as long as it exists. The fixture's document releases
// its MSXML objects only when the fixture is destroyed, after TearDown(), and
// they must be released before COM closes and may unload MSXML.
class ScopedCom {
 public:
  ScopedCom()
      : initialized_(
            SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;
  ~ScopedCom() {
    if (initialized_)
      ::CoUninitialize();
  }

 private:
  const bool initialized_;
};

class XmlDocumentTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  // Writes |text| to a file in the temporary folder and loads it.
  bool LoadText(const std::string& text) {
    base::FilePath path = temp_dir_.GetPath() / L"doc.xml";
    EXPECT_TRUE(base::WriteFile(path, text));
    return document_.Load(path.wstring());
  }

  std::string Name() {
    std::string name;
    EXPECT_TRUE(document_.GetName(&name));
    return name;
  }

  // Declared before the document, so destroyed after it.
  ScopedCom com_;
  base::ScopedTempDir temp_dir_;
  XmlDocument document_;
};

TEST_F(XmlDocumentTest, MovesPassOverEverythingButElements) {
  ASSERT_TRUE(
      LoadText("<?xml version=\"1.0\"?>\n<!-- before -->\n<?tool data?>\n"
               "<root>lead<!-- c --><?pi x?><first/>mid<!-- c -->\n"
               "<second><inner/></second>tail<!-- after --><?pi y?></root>\n"
               "<!-- trailing -->\n"));
  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());
  EXPECT_EQ("root", Name());

  // The document node above the root is no element: the cursor stays.
  EXPECT_EQ(XmlDocument::NO_SUCH_ELEMENT, document_.MoveToParent());
  EXPECT_EQ("root", Name());
  EXPECT_FALSE(document_.Ascend());
  EXPECT_EQ("root", Name());
  EXPECT_EQ(XmlDocument::NO_SUCH_ELEMENT, document_.MoveToNextSibling());
  EXPECT_EQ("root", Name());

  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());
  EXPECT_EQ("first", Name());
  EXPECT_EQ(XmlDocument::NO_SUCH_ELEMENT, document_.MoveToFirstChild());
  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToNextSibling());
  EXPECT_EQ("second", Name());
  // Only text, a comment and a processing instruction follow.
  EXPECT_EQ(XmlDocument::NO_SUCH_ELEMENT, document_.MoveToNextSibling());
  EXPECT_EQ("second", Name());

  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());
  EXPECT_EQ("inner", Name());
  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToParent());
  EXPECT_EQ("second", Name());
  EXPECT_TRUE(document_.Ascend());
  EXPECT_EQ("root", Name());
}

TEST_F(XmlDocumentTest, ReadsTextAndAttributes) {
  ASSERT_TRUE(
      LoadText("<root empty=\"\" a=\"x &amp; &quot;y&quot;\">"
               "<c>one <d>two</d> three</c></root>"));
  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());

  std::string value = "untouched";
  EXPECT_FALSE(document_.GetAttribute("missing", &value));
  EXPECT_EQ("untouched", value);
  EXPECT_TRUE(document_.GetAttribute("empty", &value));
  EXPECT_EQ("", value);
  EXPECT_TRUE(document_.GetAttribute("a", &value));
  EXPECT_EQ("x & \"y\"", value);

  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());
  std::string text;
  EXPECT_TRUE(document_.GetText(&text));
  EXPECT_EQ("one two three", text);
}

TEST_F(XmlDocumentTest, LoadFailsOnBrokenOrMissingFiles) {
  EXPECT_FALSE(LoadText("<root><a></root>"));
  EXPECT_FALSE(LoadText(""));
  EXPECT_FALSE(LoadText("<root/><second/>"));
  EXPECT_FALSE(
      document_.Load((temp_dir_.GetPath() / L"missing.xml").wstring()));
  EXPECT_FALSE(document_.Load(
      (temp_dir_.GetPath() / L"no_folder" / L"doc.xml").wstring()));
}

TEST_F(XmlDocumentTest, NothingWorksWithoutADocument) {
  std::string text = "untouched";
  EXPECT_EQ(XmlDocument::COM_FAILURE, document_.MoveToFirstChild());
  EXPECT_FALSE(document_.AppendChild("root"));
  EXPECT_FALSE(document_.GetText(&text));
  EXPECT_FALSE(document_.Serialize(&text));
  EXPECT_EQ("untouched", text);
}

TEST_F(XmlDocumentTest, SerializesOneChildWithText) {
  ASSERT_TRUE(document_.CreateDocument());
  ASSERT_TRUE(document_.AppendChild("root"));
  ASSERT_TRUE(document_.AppendChild("child"));
  ASSERT_TRUE(document_.SetText("text"));
  ASSERT_TRUE(document_.Ascend());
  EXPECT_FALSE(document_.Ascend());

  std::string text;
  ASSERT_TRUE(document_.Serialize(&text));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n"
      "<root>\n"
      " <child>text</child>\n"
      "</root>\n",
      text);
}

TEST_F(XmlDocumentTest, SerializesNestingAttributesAndEscapes) {
  ASSERT_TRUE(document_.CreateDocument());
  ASSERT_TRUE(document_.AppendChild("a"));
  ASSERT_TRUE(document_.SetAttribute("z", "1"));
  ASSERT_TRUE(document_.SetAttribute("b", ""));
  ASSERT_TRUE(document_.SetAttribute("z", "2"));  // Keeps its first place.
  ASSERT_TRUE(document_.AppendChild("b"));
  ASSERT_TRUE(document_.AppendChild("c"));
  ASSERT_TRUE(document_.SetAttribute("q", "<&>\"'"));
  ASSERT_TRUE(document_.SetText("<&>\"'"));
  ASSERT_TRUE(document_.Ascend());
  ASSERT_TRUE(document_.AppendChild("empty"));
  ASSERT_TRUE(document_.SetAttribute("k", "v"));
  ASSERT_TRUE(document_.Ascend());
  ASSERT_TRUE(document_.Ascend());
  ASSERT_TRUE(document_.AppendChild("last"));

  std::string text;
  ASSERT_TRUE(document_.Serialize(&text));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n"
      "<a z=\"2\" b=\"\">\n"
      " <b>\n"
      "  <c q=\"&lt;&amp;&gt;&quot;'\">&lt;&amp;&gt;\"'</c>\n"
      "  <empty k=\"v\"/>\n"
      " </b>\n"
      " <last/>\n"
      "</a>\n",
      text);
}

// Tabs and line ends inside data must neither show up raw in the text nor be
// lost on the way back.
TEST_F(XmlDocumentTest, ControlCharactersInDataRoundTrip) {
  const std::string data = "a\tb\r\nc\nd";
  ASSERT_TRUE(document_.CreateDocument());
  ASSERT_TRUE(document_.AppendChild("root"));
  ASSERT_TRUE(document_.SetAttribute("v", data));
  ASSERT_TRUE(document_.SetText(data));
  std::string text;
  ASSERT_TRUE(document_.Serialize(&text));
  EXPECT_EQ(std::string::npos, text.find('\t'));
  EXPECT_EQ(std::string::npos, text.find('\r'));

  ASSERT_TRUE(LoadText(text));
  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());
  std::string value;
  EXPECT_TRUE(document_.GetAttribute("v", &value));
  EXPECT_EQ(data, value);
  EXPECT_TRUE(document_.GetText(&value));
  EXPECT_EQ(data, value);
}

TEST_F(XmlDocumentTest, NonAsciiTextTravelsAsUtf8) {
  // Polish, Russian and Chinese, written as UTF-8.
  const std::string name = "Zażółć Привет 你好";
  ASSERT_TRUE(document_.CreateDocument());
  ASSERT_TRUE(document_.AppendChild("root"));
  ASSERT_TRUE(document_.SetAttribute("n", name));
  ASSERT_TRUE(document_.SetText(name));
  std::string text;
  ASSERT_TRUE(document_.Serialize(&text));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n<root n=\"" + name + "\">" + name + "</root>\n",
      text);

  ASSERT_TRUE(LoadText(text));
  ASSERT_EQ(XmlDocument::MOVED, document_.MoveToFirstChild());
  std::string value;
  EXPECT_TRUE(document_.GetAttribute("n", &value));
  EXPECT_EQ(name, value);
  EXPECT_TRUE(document_.GetText(&value));
  EXPECT_EQ(name, value);
}

TEST_F(XmlDocumentTest, CreateDocumentStartsAfresh) {
  ASSERT_TRUE(LoadText("<old><x/></old>"));
  ASSERT_TRUE(document_.CreateDocument());
  std::string text = "untouched";
  // A document without a root element has nothing to write.
  EXPECT_FALSE(document_.Serialize(&text));
  EXPECT_EQ("untouched", text);
  ASSERT_TRUE(document_.AppendChild("new"));
  ASSERT_TRUE(document_.Serialize(&text));
  EXPECT_EQ("<?xml version=\"1.0\"?>\n<new/>\n", text);
}

}  // namespace
}  // namespace installer
