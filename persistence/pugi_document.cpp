#include "persistence/pugi_document.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

#include "persistence/document_text.h"
#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::persistence {

namespace {

using platform::SafeCall;

constexpr char xmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

[[noreturn]] void failFile(const char *what, const std::string &fileName) {
  int code = errno;
  throw platform::EOSError(std::string(what) + " \"" + fileName + "\". " + std::strerror(code),
                           code);
}

std::string readFile(const std::string &fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) failFile("Cannot open file", fileName);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) failFile("Cannot read file", fileName);
  return bytes;
}

// The next element among node and its following siblings.
pugi::xml_node elementFrom(pugi::xml_node node) {
  while (node && node.type() != pugi::node_element)
    node = node.next_sibling();
  return node;
}

class TPugiDocument final : public platform::TComObject<IXMLDocument> {
public:
  HRESULT SetDeclaration(const std::string &Version, const std::string &Encoding) override;
  HRESULT SetIndentation(int32_t Spaces) override;
  HRESULT get_DocumentElement(IXMLElement **Value) override;
  HRESULT CreateDocumentElement(const std::string &Name, IXMLElement **Value) override;
  HRESULT Save(const std::string &FileName) override;

  void Load(const std::string &FileName);
  // The element as an interface; nullptr for an empty node.
  IXMLElement *Wrap(pugi::xml_node node);

private:
  pugi::xml_node declaration();

  pugi::xml_document document_;
  // The text a loaded document was parsed from, in place: its names and values point into it.
  std::string text_;
  int32_t indentation_ = 0;
};

class TPugiElement final : public platform::TComObject<IXMLElement> {
public:
  TPugiElement(TPugiDocument *document, pugi::xml_node node) : document_(document), node_(node) {}

  HRESULT get_LocalName(std::string *Value) override {
    return SafeCall([&] {
      const char *name = node_.name();
      const char *colon = std::strchr(name, ':');
      *Value = colon ? colon + 1 : name;
    });
  }

  HRESULT get_NamespaceURI(std::string *Value) override {
    return SafeCall([&] { *Value = namespaceURI(); });
  }

  HRESULT GetAttribute(const std::string &Name, std::string *Value, bool *Present) override {
    return SafeCall([&] {
      pugi::xml_attribute attribute = node_.attribute(Name.c_str());
      *Present = bool(attribute);
      *Value = attribute.value();
    });
  }

  HRESULT SetAttribute(const std::string &Name, const std::string &Value) override {
    return SafeCall([&] {
      pugi::xml_attribute attribute = node_.attribute(Name.c_str());
      if (!attribute) attribute = node_.append_attribute(Name.c_str());
      if (!attribute || !attribute.set_value(Value.c_str())) throw std::bad_alloc();
    });
  }

  HRESULT AppendChild(const std::string &Name, IXMLElement **Child) override {
    return SafeCall([&] {
      pugi::xml_node child = node_.append_child(Name.c_str());
      if (!child) throw std::bad_alloc();
      *Child = document_->Wrap(child);
    });
  }

  HRESULT FindChild(const std::string &Name, IXMLElement **Child) override {
    return SafeCall([&] {
      pugi::xml_node child = node_.child(Name.c_str());
      while (child && child.type() != pugi::node_element)
        child = child.next_sibling(Name.c_str());
      *Child = document_->Wrap(child);
    });
  }

  HRESULT get_FirstChild(IXMLElement **Child) override {
    return SafeCall([&] { *Child = document_->Wrap(elementFrom(node_.first_child())); });
  }

  HRESULT get_NextSibling(IXMLElement **Sibling) override {
    return SafeCall([&] { *Sibling = document_->Wrap(elementFrom(node_.next_sibling())); });
  }

private:
  // The nearest declaration of the element's prefix, or of the default namespace.
  std::string namespaceURI() const {
    std::string_view name = node_.name();
    size_t colon = name.find(':');
    if (colon == std::string_view::npos) return lookUpNamespace("xmlns");
    std::string prefix(name.substr(0, colon));
    if (prefix == "xml") return xmlNamespace;
    // A prefix that nothing declares leaves the element in no namespace: a lenient reading of
    // a malformed file, which then counts by its local name.
    return lookUpNamespace("xmlns:" + prefix);
  }

  std::string lookUpNamespace(const std::string &declaration) const {
    for (pugi::xml_node node = node_; node.type() == pugi::node_element; node = node.parent())
      if (pugi::xml_attribute attribute = node.attribute(declaration.c_str()))
        return attribute.value();
    return {};
  }

  // Held so that the element outlives neither its document nor the text it points into.
  ComPtr<TPugiDocument> document_;
  pugi::xml_node node_;
};

IXMLElement *TPugiDocument::Wrap(pugi::xml_node node) {
  return node ? platform::MakeCom<TPugiElement>(this, node).Detach() : nullptr;
}

pugi::xml_node TPugiDocument::declaration() {
  pugi::xml_node first = document_.first_child();
  return first.type() == pugi::node_declaration ? first : pugi::xml_node();
}

HRESULT TPugiDocument::SetDeclaration(const std::string &Version, const std::string &Encoding) {
  return SafeCall([&] {
    // The document is always written in UTF-8; a declaration naming anything else would lie.
    if (!platform::SameTextIgnoringCase(Encoding, "UTF-8"))
      throw platform::EOleSysError("This document is written in UTF-8 only",
                                   platform::E_INVALIDARG);
    pugi::xml_node node = declaration();
    if (!node) node = document_.prepend_child(pugi::node_declaration);
    node.remove_attributes();
    node.append_attribute("version").set_value(Version.c_str());
    node.append_attribute("encoding").set_value(Encoding.c_str());
  });
}

HRESULT TPugiDocument::SetIndentation(int32_t Spaces) {
  return SafeCall([&] {
    if (Spaces < 0 || Spaces > 64)
      throw platform::EOleSysError("Indentation out of bounds", platform::E_INVALIDARG);
    indentation_ = Spaces;
  });
}

HRESULT TPugiDocument::get_DocumentElement(IXMLElement **Value) {
  return SafeCall([&] { *Value = Wrap(document_.document_element()); });
}

HRESULT TPugiDocument::CreateDocumentElement(const std::string &Name, IXMLElement **Value) {
  return SafeCall([&] {
    // Removing the old root would leave the elements handed out of it pointing at nothing.
    if (document_.document_element())
      throw platform::EOleSysError("The document has a document element already",
                                   platform::E_UNEXPECTED);
    pugi::xml_node root = document_.append_child(Name.c_str());
    if (!root) throw std::bad_alloc();
    *Value = Wrap(root);
  });
}

HRESULT TPugiDocument::Save(const std::string &FileName) {
  return SafeCall([&] {
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    if (!out) failFile("Cannot create file", FileName);
    std::string indent(size_t(indentation_), ' ');
    document_.save(out, indent.c_str(), indentation_ > 0 ? pugi::format_indent : pugi::format_raw,
                   pugi::encoding_utf8);
    // Closing flushes the last of the text: a full disk may only show here.
    out.close();
    if (!out) failFile("Cannot write file", FileName);
  });
}

void TPugiDocument::Load(const std::string &FileName) {
  text_ = DocumentTextAsUtf8(readFile(FileName));
  pugi::xml_parse_result parsed = document_.load_buffer_inplace(
      text_.data(), text_.size(), pugi::parse_default | pugi::parse_declaration,
      pugi::encoding_utf8);
  if (!parsed)
    throw platform::Exception("\"" + FileName + "\" is not an XML document: " +
                              parsed.description() + " at offset " + std::to_string(parsed.offset));
  pugi::xml_node root = document_.document_element();
  if (elementFrom(root.next_sibling()))
    throw platform::Exception("\"" + FileName + "\" is not an XML document: it has two roots");
  // The text is UTF-8 now, and so is every save of it.
  if (pugi::xml_attribute encoding = declaration().attribute("encoding"))
    encoding.set_value("UTF-8");
}

class TPugiProvider final : public platform::TComObject<IXMLProvider> {
public:
  HRESULT CreateDocument(IXMLDocument **Value) override {
    return SafeCall([&] { *Value = platform::MakeCom<TPugiDocument>().Detach(); });
  }

  HRESULT LoadDocument(const std::string &FileName, IXMLDocument **Value) override {
    return SafeCall([&] {
      ComPtr<TPugiDocument> document = platform::MakeCom<TPugiDocument>();
      document->Load(FileName);
      *Value = document.Detach();
    });
  }
};

} // namespace

ComPtr<IXMLProvider> BuiltInXMLProvider() { return platform::MakeCom<TPugiProvider>(); }

} // namespace zs::persistence
