// A module in the XML provider role with a DOM of its own: its documents live in its own
// memory and are saved in its own line format, so a file in that format proves that the host
// used the module's documents. A document that holds the attribute value "fail the save" is
// written half way and its save fails, as on a full disk.
#include <fstream>
#include <memory>
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

struct TNode {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attributes;
  std::vector<std::unique_ptr<TNode>> Children;
  TNode *Parent = nullptr;

  TNode *Add(std::string name) {
    Children.push_back(std::make_unique<TNode>(TNode{std::move(name), {}, {}, this}));
    return Children.back().get();
  }
};

// The child of parent after `after` (the first one when nullptr), named *name when given.
TNode *childAfter(const TNode *parent, const TNode *after, const std::string *name = nullptr) {
  bool passed = !after;
  for (const auto &child : parent->Children) {
    if (passed && (!name || child->Name == *name)) return child.get();
    passed = passed || child.get() == after;
  }
  return nullptr;
}

IXMLElement *wrap(IXMLDocument *document, TNode *node);

// Stores the value and succeeds.
template <class T> HRESULT give(T *out, T value) {
  *out = std::move(value);
  return S_OK;
}

class TDocument final : public platform::TComObject<IXMLDocument> {
public:
  HRESULT SetDeclaration(const std::string &Version, const std::string &Encoding) override {
    return give(&declaration_, Version + " " + Encoding);
  }
  HRESULT SetIndentation(int32_t Spaces) override { return give(&indentation_, Spaces); }
  HRESULT get_DocumentElement(IXMLElement **Value) override {
    return give(Value, wrap(this, childAfter(&document_, nullptr)));
  }
  HRESULT CreateDocumentElement(const std::string &Name, IXMLElement **Value) override {
    return document_.Children.empty() ? give(Value, wrap(this, document_.Add(Name))) : E_FAIL;
  }
  HRESULT Save(const std::string &FileName) override {
    std::string text =
        std::string(formatLine) + "\n" + declaration_ + " " + std::to_string(indentation_) + "\n";
    bool failing = false;
    for (const auto &root : document_.Children)
      write(*root, 0, text, failing);
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    out << (failing ? text.substr(0, text.size() / 2) : text);
    return out.flush() && !failing ? S_OK : E_FAIL;
  }

  // Fails (leaving a partial tree) on a file of another format.
  bool Load(const std::string &FileName) {
    std::ifstream in(FileName, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != formatLine || !std::getline(in, line)) return false;
    std::vector<TNode *> open = {&document_}; // the innermost node at each depth, from the top
    while (std::getline(in, line)) {
      const size_t depth = line.find_first_not_of(' ');
      if (line[depth] == '@') {
        const size_t equals = line.find('=', depth);
        open.back()->Attributes.emplace_back(line.substr(depth + 1, equals - depth - 1),
                                             line.substr(equals + 1));
      } else {
        open.resize(depth + 1);
        open.push_back(open.back()->Add(line.substr(depth)));
      }
    }
    return true;
  }

private:
  // A node per line, indented by its depth; each attribute on a line of its own as "@name=value".
  static void write(const TNode &node, size_t depth, std::string &out, bool &failing) {
    out += std::string(depth, ' ') + node.Name + "\n";
    for (const auto &[name, value] : node.Attributes) {
      out += std::string(depth, ' ') + "@" + name + "=" + value + "\n";
      failing = failing || value == "fail the save";
    }
    for (const auto &child : node.Children)
      write(*child, depth + 1, out, failing);
  }

  std::string declaration_;
  int32_t indentation_ = 0;
  TNode document_; // its one child is the document element
};

class TElement final : public platform::TComObject<IXMLElement> {
public:
  TElement(IXMLDocument *document, TNode *node) : document_(document), node_(node) {}

  HRESULT get_LocalName(std::string *Value) override { return give(Value, node_->Name); }
  HRESULT get_NamespaceURI(std::string *Value) override { return give(Value, std::string()); }
  HRESULT GetAttribute(const std::string &Name, std::string *Value, bool *Present) override {
    std::string *found = find(Name);
    *Present = found;
    return give(Value, found ? *found : std::string());
  }
  HRESULT SetAttribute(const std::string &Name, const std::string &Value) override {
    if (std::string *found = find(Name))
      *found = Value;
    else
      node_->Attributes.emplace_back(Name, Value);
    return S_OK;
  }
  HRESULT AppendChild(const std::string &Name, IXMLElement **Child) override {
    return child(node_->Add(Name), Child);
  }
  HRESULT FindChild(const std::string &Name, IXMLElement **Child) override {
    return child(childAfter(node_, nullptr, &Name), Child);
  }
  HRESULT get_FirstChild(IXMLElement **Child) override {
    return child(childAfter(node_, nullptr), Child);
  }
  HRESULT get_NextSibling(IXMLElement **Sibling) override {
    return child(childAfter(node_->Parent, node_), Sibling);
  }

private:
  HRESULT child(TNode *node, IXMLElement **Value) {
    return give(Value, wrap(document_.get(), node));
  }
  std::string *find(const std::string &name) {
    for (auto &[attribute, value] : node_->Attributes)
      if (attribute == name) return &value;
    return nullptr;
  }

  ComPtr<IXMLDocument> document_; // owns the node
  TNode *node_;
};

IXMLElement *wrap(IXMLDocument *document, TNode *node) {
  return node ? platform::MakeCom<TElement>(document, node).Detach() : nullptr;
}

class TProvider final : public platform::TComObject<IXMLProvider> {
public:
  HRESULT CreateDocument(IXMLDocument **Value) override {
    return give<IXMLDocument *>(Value, platform::MakeCom<TDocument>().Detach());
  }
  HRESULT LoadDocument(const std::string &FileName, IXMLDocument **Value) override {
    ComPtr<TDocument> document = platform::MakeCom<TDocument>();
    return document->Load(FileName) ? give<IXMLDocument *>(Value, document.Detach()) : E_FAIL;
  }
};

} // namespace

ZS_MODULE_CHECKS_HOST()

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = platform::MakeCom<TProvider>().Detach();
}
