// Data documents: where they come from (the built-in DOM or a provider module), and the
// element operations every file format here is made of.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::persistence {

ComPtr<IXMLDocument> NewDataDocument();
ComPtr<IXMLDocument> OpenDataDocument(const TLocalFileName &FileName);
ComPtr<IXMLElement> FindOrAddChild(IXMLElement *Parent, const std::string &Name);
bool IsElementNamed(IXMLElement *Node, const std::string &Name);

// Creates the document element, declaring the empty default namespace on it, so that its
// elements are in no namespace whatever a reader assumes.
ComPtr<IXMLElement> NewRootElement(IXMLDocument *Document, const std::string &Name);
// Saves the document to the file, creating the file's folder and its parents when missing.
// The old file is replaced only once the new one is whole on disk; when the save fails it
// stays as it was.
void SaveDataDocument(IXMLDocument *Document, const TLocalFileName &FileName);

} // namespace zs::persistence
