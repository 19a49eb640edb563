// A module in the XML provider role with a DOM of its own: its documents live in its own
// memory and are saved in its own line format, so a file in that format proves that the host
// used the module's documents. A document that holds the attribute value "fail the save" is
// written half way and its save fails, as on a full disk.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;
using platform::E_FAIL;
using platform::S_OK;

namespace {

constexpr char formatLine[] = "ZS-TEST-DOM 1";
constexpr char failingValue[] = "fail the save";

struct TNode {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attributes;
  std::vector<std::unique_ptr<TNode>> Children;
  TNode *Parent = nullptr;
};

// Nothing may leave a module as an exception.
template <class Body> HRESULT guarded(Body &&body) {
  try {
    body();
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

// Bytes up to the space and '%' as %XX, so that every name and value is one word.
std::string escaped(const std::string &text) {
  std::string out;
  for (unsigned char c : text) {
    if (c > ' ' && c != '%') {
      out += char(c);
      continue;
    }
    char code[4];
    std::snprintf(code, sizeof code, "%%%02X", c);
    out += code;
  }
  return out.empty() ? "%" : out;
}

std::string unescaped(const std::string &word) {
  if (word == "%") return {};
  std::string out;
  for (size_t i = 0; i < word.size(); ++i)
    if (word[i] == '%' && i + 2 < word.size()) {
      out += char(std::stoi(word.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += word[i];
    }
  return out;
}

class TDocument final : public platform::TComObject<IXMLDocument> {
public:
  HRESULT SetDeclaration(const std::string &Version, const std::string &Encoding) override {
    return guarded([&] { declaration_ = Version + " " + Encoding; });
  }
  HRESULT SetIndentation(int32_t Spaces) override {
    return guarded([&] { indentation_ = Spaces; });
  }
  HRESULT get_DocumentElement(IXMLElement **Value) override {
    return guarded([&] { *Value = Wrap(root_.get()); });
  }
  HRESULT CreateDocumentElement(const std::string &Name, IXMLElement **Value) override {
    if (root_) return E_FAIL;
    root_ = std::make_unique<TNode>();
    root_->Name = Name;
    *Value = Wrap(root_.get());
    return S_OK;
  }
  HRESULT Save(const std::string &FileName) override;

  HRESULT Load(const std::string &FileName);
  IXMLElement *Wrap(TNode *node);

private:
  std::string declaration_;
  int32_t indentation_ = 0;
  std::unique_ptr<TNode> root_;
};

class TElement final : public platform::TComObject<IXMLElement> {
public:
  TElement(TDocument *document, TNode *node) : document_(document), node_(node) {}

  HRESULT get_LocalName(std::string *Value) override {
    return guarded([&] { *Value = node_->Name; });
  }
  HRESULT get_NamespaceURI(std::string *Value) override {
    return guarded([&] { Value->clear(); });
  }
  HRESULT GetAttribute(const std::string &Name, std::string *Value, bool *Present) override {
    return guarded([&] {
      *Present = false;
      Value->clear();
      for (const auto &[name, value] : node_->Attributes)
        if (name == Name) *Value = value, *Present = true;
    });
  }
  HRESULT SetAttribute(const std::string &Name, const std::string &Value) override {
    return guarded([&] {
      for (auto &[name, value] : node_->Attributes)
        if (name == Name) return void(value = Value);
      node_->Attributes.emplace_back(Name, Value);
    });
  }
  HRESULT AppendChild(const std::string &Name, IXMLElement **Child) override {
    return guarded([&] {
      auto child = std::make_unique<TNode>();
      child->Name = Name;
      child->Parent = node_;
      node_->Children.push_back(std::move(child));
      *Child = document_->Wrap(node_->Children.back().get());
    });
  }
  HRESULT FindChild(const std::string &Name, IXMLElement **Child) override {
    return guarded([&] {
      *Child = nullptr;
      for (const auto &child : node_->Children)
        if (child->Name == Name) return void(*Child = document_->Wrap(child.get()));
    });
  }
  HRESULT get_FirstChild(IXMLElement **Child) override {
    return guarded([&] {
      *Child = node_->Children.empty() ? nullptr : document_->Wrap(node_->Children[0].get());
    });
  }
  HRESULT get_NextSibling(IXMLElement **Sibling) override {
    return guarded([&] {
      *Sibling = nullptr;
      if (!node_->Parent) return;
      auto &siblings = node_->Parent->Children;
      for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == node_)
          return void(*Sibling = document_->Wrap(siblings[i + 1].get()));
    });
  }

private:
  ComPtr<TDocument> document_;
  TNode *node_;
};

IXMLElement *TDocument::Wrap(TNode *node) {
  return node ? platform::MakeCom<TElement>(this, node).Detach() : nullptr;
}

void write(const TNode &node, int depth, std::string &out, bool &failing) {
  out += std::to_string(depth) + " " + escaped(node.Name) + "\n";
  for (const auto &[name, value] : node.Attributes) {
    out += "@ " + escaped(name) + " " + escaped(value) + "\n";
    failing = failing || value == failingValue;
  }
  for (const auto &child : node.Children)
    write(*child, depth + 1, out, failing);
}

HRESULT TDocument::Save(const std::string &FileName) {
  std::string text = std::string(formatLine) + "\n" + escaped(declaration_) + " " +
                     std::to_string(indentation_) + "\n";
  bool failing = false;
  if (root_) write(*root_, 0, text, failing);
  std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
  out << (failing ? text.substr(0, text.size() / 2) : text);
  return out.flush() && !failing ? S_OK : E_FAIL;
}

HRESULT TDocument::Load(const std::string &FileName) {
  return guarded([&] {
    std::ifstream in(FileName, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != formatLine) throw std::runtime_error("not mine");
    std::getline(in, line);
    std::vector<TNode *> open; // the last node read at each depth
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string first, name, value;
      words >> first >> name >> value;
      if (first == "@") {
        open.back()->Attributes.emplace_back(unescaped(name), unescaped(value));
        continue;
      }
      size_t depth = std::stoul(first);
      auto node = std::make_unique<TNode>();
      node->Name = unescaped(name);
      open.resize(depth);
      if (depth == 0) {
        root_ = std::move(node);
        open.push_back(root_.get());
      } else {
        node->Parent = open.back();
        open.back()->Children.push_back(std::move(node));
        open.push_back(open.back()->Children.back().get());
      }
    }
    if (!root_) throw std::runtime_error("no root");
  });
}

class TProvider final : public platform::TComObject<IXMLProvider> {
public:
  TProvider() { ++Counters.LiveObjects; }
  ~TProvider() override { --Counters.LiveObjects; }

  HRESULT CreateDocument(IXMLDocument **Value) override {
    return guarded([&] { *Value = platform::MakeCom<TDocument>().Detach(); });
  }
  HRESULT LoadDocument(const std::string &FileName, IXMLDocument **Value) override {
    ComPtr<TDocument> document = platform::MakeCom<TDocument>();
    HRESULT result = document->Load(FileName);
    if (result == S_OK) *Value = document.Detach();
    return result;
  }
};

} // namespace

bool PluginCheckVersion(const GUID *HostID, const TVersion *HostVersion, TVersion *ModuleVersion,
                        TVersion *OtherVersion) {
  return CheckHost(HostID, HostVersion, ModuleVersion, OtherVersion);
}

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = platform::MakeCom<TProvider>().Detach();
}
