#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_DOCUMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_DOCUMENT_H_

#include <windows.h>

#include <msxml2.h>
#include <wrl/client.h>

#include <string>

namespace installer {

// A small cursor over an MSXML 3.0 DOM document: it either loads a file and
// walks it element by element, or builds a new document element by element
// and turns it into text. Narrow strings crossing this interface are UTF-8;
// file paths are wide. Must be used on a thread that has initialised COM.
//
// The operations are virtual so that tests can make single DOM steps fail,
// which the real MSXML never does on demand.
class XmlDocument {
 public:
  enum MoveResult {
    MOVED = 0,
    NO_SUCH_ELEMENT = 1,
    COM_FAILURE = 2,
  };

  XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;
  virtual ~XmlDocument();

  // Replaces any current document by a new, empty one; the cursor is then on
  // the document node.
  virtual bool CreateDocument();
  // Replaces any current document by the parsed file; the cursor is then on
  // the document node. False when the file is missing or not well-formed.
  virtual bool Load(const std::wstring& path);

  // Element-only moves: nodes of other kinds (text, comments, processing
  // instructions) are passed over. On any result but MOVED the cursor stays.
  virtual MoveResult MoveToFirstChild();
  virtual MoveResult MoveToNextSibling();
  // NO_SUCH_ELEMENT on the root element, whose parent is the document node.
  virtual MoveResult MoveToParent();

  virtual bool GetName(std::string* name);
  // The text of the cursor's node and all its descendants.
  virtual bool GetText(std::string* text);
  // False, |value| untouched, when the attribute is absent.
  virtual bool GetAttribute(const std::string& name, std::string* value);

  // Appends a new element under the cursor and moves the cursor onto it.
  virtual bool AppendChild(const std::string& name);
  // Moves the cursor to its parent element; false on the root element.
  virtual bool Ascend();
  virtual bool SetAttribute(const std::string& name, const std::string& value);
  virtual bool SetText(const std::string& text);

  // The whole document as text: a fixed declaration line without encoding,
  // one element per line indented by one blank per level, an element holding
  // only text on one line, LF line ends and a final LF. False, |output|
  // untouched, when the document cannot be read.
  virtual bool Serialize(std::string* output);

 private:
  // Moves the cursor to |first|, the result of a DOM call that gave |hr|,
  // or past non-element nodes to the first element among its next siblings.
  MoveResult MoveToElementFrom(HRESULT hr,
                               Microsoft::WRL::ComPtr<IXMLDOMNode> first);
  void Reset();

  Microsoft::WRL::ComPtr<IXMLDOMDocument> document_;
  Microsoft::WRL::ComPtr<IXMLDOMNode> cursor_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_DOCUMENT_H_
