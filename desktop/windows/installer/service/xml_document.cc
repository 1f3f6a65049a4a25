#include "desktop/windows/installer/service/xml_document.h"

#include <utility>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace installer {

namespace {

using base::win::ScopedBstr;
using base::win::ScopedVariant;
using Microsoft::WRL::ComPtr;

// MSXML 3.0's DOM document. mingw-w64 declares CLSID_DOMDocument30 but no
// library defines it, so the class id lives here under a name of our own.
const CLSID kClsidDomDocument30 = {
    0xf5078f32,
    0xc551,
    0x11d3,
    {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};

// Appends |text| escaped the way MSXML's writer escapes it. Literal TAB and
// CR characters would be lost on reading (CR LF becomes LF, and attribute
// values turn white space into blanks), so they, and LF in attribute values,
// are written as character references; the output then holds no TAB or CR
// while the data comes back unchanged.
void AppendEscaped(const std::string& text, bool attribute, std::string* out) {
  for (char c : text) {
    switch (c) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append(attribute ? "&quot;" : "\"");
        break;
      case '\t':
        out->append("&#9;");
        break;
      case '\r':
        out->append("&#13;");
        break;
      case '\n':
        out->append(attribute ? "&#10;" : "\n");
        break;
      default:
        out->push_back(c);
    }
  }
}

bool GetNodeType(IXMLDOMNode* node, DOMNodeType* type) {
  return SUCCEEDED(node->get_nodeType(type));
}

bool GetNodeName(IXMLDOMNode* node, std::string* name) {
  ScopedBstr bstr;
  if (FAILED(node->get_nodeName(bstr.Receive())))
    return false;
  *name = bstr.ToUTF8();
  return true;
}

bool GetNodeValue(IXMLDOMNode* node, std::string* value) {
  ScopedVariant var;
  if (FAILED(node->get_nodeValue(var.Receive())))
    return false;
  return var.ToUTF8(value);
}

bool AppendAttributes(IXMLDOMNode* element, std::string* out) {
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (FAILED(element->get_attributes(attributes.GetAddressOf())) || !attributes)
    return false;
  long count = 0;
  if (FAILED(attributes->get_length(&count)))
    return false;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> attribute;
    if (attributes->get_item(i, attribute.GetAddressOf()) != S_OK || !attribute)
      return false;
    std::string name;
    std::string value;
    if (!GetNodeName(attribute.Get(), &name) ||
        !GetNodeValue(attribute.Get(), &value)) {
      return false;
    }
    out->push_back(' ');
    out->append(name);
    out->append("=\"");
    AppendEscaped(value, /*attribute=*/true, out);
    out->push_back('"');
  }
  return true;
}

// Writes |element| and everything below it. With |depth| of zero or more the
// element is indented by |depth| blanks and its element children go on lines
// of their own; an element that holds text is written on one line, and so,
// inline (|depth| -1), is everything inside it. Only elements and text are
// written: the documents serialised here are built from nothing else.
bool WriteElement(IXMLDOMNode* element, int depth, std::string* out) {
  std::string name;
  if (!GetNodeName(element, &name))
    return false;
  if (depth > 0)
    out->append(depth, ' ');
  out->push_back('<');
  out->append(name);
  if (!AppendAttributes(element, out))
    return false;

  struct Child {
    ComPtr<IXMLDOMNode> node;
    bool is_element = false;
    std::string text;
  };
  std::vector<Child> children;
  bool has_text = false;
  ComPtr<IXMLDOMNode> node;
  HRESULT hr = element->get_firstChild(node.GetAddressOf());
  while (hr == S_OK && node) {
    ComPtr<IXMLDOMNode> next;
    hr = node->get_nextSibling(next.GetAddressOf());
    DOMNodeType type;
    if (!GetNodeType(node.Get(), &type))
      return false;
    if (type == NODE_ELEMENT) {
      children.emplace_back();
      children.back().is_element = true;
      children.back().node = std::move(node);
    } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
      std::string text;
      if (!GetNodeValue(node.Get(), &text))
        return false;
      if (!text.empty()) {
        has_text = true;
        children.emplace_back();
        children.back().text = std::move(text);
      }
    }
    node = std::move(next);
  }
  if (FAILED(hr))
    return false;

  if (children.empty()) {
    out->append("/>");
    return true;
  }
  out->push_back('>');
  const bool indent_children = depth >= 0 && !has_text;
  for (const Child& child : children) {
    if (!child.is_element) {
      AppendEscaped(child.text, /*attribute=*/false, out);
      continue;
    }
    if (indent_children)
      out->push_back('\n');
    if (!WriteElement(child.node.Get(), indent_children ? depth + 1 : -1, out))
      return false;
  }
  if (indent_children) {
    out->push_back('\n');
    out->append(depth, ' ');
  }
  out->append("</");
  out->append(name);
  out->push_back('>');
  return true;
}

}  // namespace

XmlDocument::XmlDocument() = default;

XmlDocument::~XmlDocument() {
  Reset();
}

void XmlDocument::Reset() {
  cursor_.Reset();
  document_.Reset();
}

bool XmlDocument::CreateDocument() {
  Reset();
  ComPtr<IXMLDOMDocument> document;
  if (FAILED(::CoCreateInstance(
          kClsidDomDocument30, nullptr, CLSCTX_INPROC_SERVER,
          IID_IXMLDOMDocument,
          reinterpret_cast<void**>(document.GetAddressOf()))) ||
      !document) {
    return false;
  }
  if (FAILED(document->put_async(VARIANT_FALSE)) ||
      FAILED(document->put_validateOnParse(VARIANT_FALSE)) ||
      FAILED(document->put_resolveExternals(VARIANT_FALSE))) {
    return false;
  }
  ComPtr<IXMLDOMNode> node;
  if (FAILED(document->QueryInterface(
          IID_IXMLDOMNode, reinterpret_cast<void**>(node.GetAddressOf()))) ||
      !node) {
    return false;
  }
  document_ = std::move(document);
  cursor_ = std::move(node);
  return true;
}

bool XmlDocument::Load(const std::wstring& path) {
  if (!CreateDocument())
    return false;
  ScopedVariant source;
  if (!source.SetString(path))
    return false;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  return document_->load(source.Get(), &loaded) == S_OK &&
         loaded == VARIANT_TRUE;
}

XmlDocument::MoveResult XmlDocument::MoveToFirstChild() {
  if (!cursor_)
    return COM_FAILURE;
  ComPtr<IXMLDOMNode> first;
  HRESULT hr = cursor_->get_firstChild(first.GetAddressOf());
  return MoveToElementFrom(hr, std::move(first));
}

XmlDocument::MoveResult XmlDocument::MoveToNextSibling() {
  if (!cursor_)
    return COM_FAILURE;
  ComPtr<IXMLDOMNode> next;
  HRESULT hr = cursor_->get_nextSibling(next.GetAddressOf());
  return MoveToElementFrom(hr, std::move(next));
}

XmlDocument::MoveResult XmlDocument::MoveToElementFrom(
    HRESULT hr,
    ComPtr<IXMLDOMNode> node) {
  while (true) {
    if (FAILED(hr))
      return COM_FAILURE;
    if (hr != S_OK || !node)
      return NO_SUCH_ELEMENT;
    DOMNodeType type;
    if (!GetNodeType(node.Get(), &type))
      return COM_FAILURE;
    if (type == NODE_ELEMENT) {
      cursor_ = std::move(node);
      return MOVED;
    }
    ComPtr<IXMLDOMNode> next;
    hr = node->get_nextSibling(next.GetAddressOf());
    node = std::move(next);
  }
}

XmlDocument::MoveResult XmlDocument::MoveToParent() {
  if (!cursor_)
    return COM_FAILURE;
  ComPtr<IXMLDOMNode> node;
  HRESULT hr = cursor_->get_parentNode(node.GetAddressOf());
  if (FAILED(hr))
    return COM_FAILURE;
  if (hr != S_OK || !node)
    return NO_SUCH_ELEMENT;
  DOMNodeType type;
  if (!GetNodeType(node.Get(), &type))
    return COM_FAILURE;
  if (type != NODE_ELEMENT)
    return NO_SUCH_ELEMENT;
  cursor_ = std::move(node);
  return MOVED;
}

bool XmlDocument::GetName(std::string* name) {
  return cursor_ && GetNodeName(cursor_.Get(), name);
}

bool XmlDocument::GetText(std::string* text) {
  if (!cursor_)
    return false;
  ScopedBstr bstr;
  if (FAILED(cursor_->get_text(bstr.Receive())))
    return false;
  *text = bstr.ToUTF8();
  return true;
}

bool XmlDocument::GetAttribute(const std::string& name, std::string* value) {
  if (!cursor_)
    return false;
  ComPtr<IXMLDOMElement> element;
  if (FAILED(cursor_->QueryInterface(
          IID_IXMLDOMElement,
          reinterpret_cast<void**>(element.GetAddressOf()))) ||
      !element) {
    return false;
  }
  ScopedBstr bstr_name(base::UTF8ToWide(name));
  ScopedVariant var;
  if (element->getAttribute(bstr_name.Get(), var.Receive()) != S_OK)
    return false;
  std::string text;
  if (!var.ToUTF8(&text))
    return false;
  *value = std::move(text);
  return true;
}

bool XmlDocument::AppendChild(const std::string& name) {
  if (!document_ || !cursor_)
    return false;
  ScopedBstr bstr_name(base::UTF8ToWide(name));
  ComPtr<IXMLDOMElement> element;
  if (FAILED(
          document_->createElement(bstr_name.Get(), element.GetAddressOf())) ||
      !element) {
    return false;
  }
  ComPtr<IXMLDOMNode> appended;
  if (FAILED(cursor_->appendChild(element.Get(), appended.GetAddressOf())) ||
      !appended) {
    return false;
  }
  cursor_ = std::move(appended);
  return true;
}

bool XmlDocument::Ascend() {
  return MoveToParent() == MOVED;
}

bool XmlDocument::SetAttribute(const std::string& name,
                               const std::string& value) {
  if (!cursor_)
    return false;
  ComPtr<IXMLDOMElement> element;
  if (FAILED(cursor_->QueryInterface(
          IID_IXMLDOMElement,
          reinterpret_cast<void**>(element.GetAddressOf()))) ||
      !element) {
    return false;
  }
  ScopedBstr bstr_name(base::UTF8ToWide(name));
  ScopedVariant var;
  if (!var.SetString(base::UTF8ToWide(value)))
    return false;
  return SUCCEEDED(element->setAttribute(bstr_name.Get(), var.Get()));
}

bool XmlDocument::SetText(const std::string& text) {
  if (!cursor_)
    return false;
  ScopedBstr bstr(base::UTF8ToWide(text));
  return SUCCEEDED(cursor_->put_text(bstr.Get()));
}

bool XmlDocument::Serialize(std::string* output) {
  if (!document_)
    return false;
  std::string text = "<?xml version=\"1.0\"?>\n";
  ComPtr<IXMLDOMElement> root;
  if (document_->get_documentElement(root.GetAddressOf()) != S_OK || !root)
    return false;
  ComPtr<IXMLDOMNode> root_node;
  if (FAILED(root->QueryInterface(
          IID_IXMLDOMNode,
          reinterpret_cast<void**>(root_node.GetAddressOf())))) {
    return false;
  }
  if (!WriteElement(root_node.Get(), 0, &text))
    return false;
  text.push_back('\n');
  *output = std::move(text);
  return true;
}

}  // namespace installer
