#include "persistence/data_documents.h"

#include <filesystem>
#include <system_error>

#include "persistence/pugi_document.h"
#include "persistence/xml_values.h"
#include "platform/atomic_file.h"
#include "platform/safecall.h"

namespace zs::persistence {

namespace {

using platform::OleCheck;

ComPtr<IXMLProvider> xmlProvider() {
  std::string moduleName;
  OleCheck(GetProfiler()->GetPluginXMLProviderModuleName(&moduleName));
  if (moduleName.empty()) return BuiltInXMLProvider();
  ComPtr<IUnknown> module = GetXMLProviderModule();
  if (!module) throw EXMLProvider("XML Provider unaviable");
  // The module answered for the provider's identifier, so the pointer is its IXMLProvider.
  return ComPtr<IXMLProvider>::Attach(static_cast<IXMLProvider *>(module.Detach()));
}

constexpr int32_t indentation = 2;

void createFolderOf(const TLocalFileName &fileName) {
  std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    throw platform::EOSError("Cannot create folder \"" + folder.string() + "\". " + error.message(),
                             error.value());
}

} // namespace

ComPtr<IXMLDocument> NewDataDocument() {
  ComPtr<IXMLDocument> document;
  OleCheck(xmlProvider()->CreateDocument(document.put()));
  OleCheck(document->SetDeclaration("1.0", "UTF-8"));
  OleCheck(document->SetIndentation(indentation));
  return document;
}

ComPtr<IXMLDocument> OpenDataDocument(const TLocalFileName &FileName) {
  ComPtr<IXMLDocument> document;
  // Why the file cannot be loaded (missing, unreadable, not XML) is not this caller's
  // concern: a document that does not load is no document.
  if (platform::Failed(xmlProvider()->LoadDocument(FileName, document.put())) || !document)
    return nullptr;
  OleCheck(document->SetIndentation(indentation));
  return document;
}

ComPtr<IXMLElement> FindOrAddChild(IXMLElement *Parent, const std::string &Name) {
  ComPtr<IXMLElement> child;
  OleCheck(Parent->FindChild(Name, child.put()));
  if (!child) OleCheck(Parent->AppendChild(Name, child.put()));
  return child;
}

bool IsElementNamed(IXMLElement *Node, const std::string &Name) {
  if (!Node) return false;
  std::string text;
  OleCheck(Node->get_LocalName(&text));
  if (text != Name) return false;
  OleCheck(Node->get_NamespaceURI(&text));
  return text.empty();
}

ComPtr<IXMLElement> NewRootElement(IXMLDocument *Document, const std::string &Name) {
  ComPtr<IXMLElement> root;
  OleCheck(Document->CreateDocumentElement(Name, root.put()));
  SetAttributeText(root.get(), "xmlns", "");
  return root;
}

void SaveDataDocument(IXMLDocument *Document, const TLocalFileName &FileName) {
  createFolderOf(FileName);
  platform::TFileReplacement replacement(FileName);
  OleCheck(Document->Save(replacement.TempName()));
  replacement.Commit();
}

} // namespace zs::persistence
