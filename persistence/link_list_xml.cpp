#include "persistence/link_list_xml.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "persistence/data_documents.h"
#include "persistence/project_files.h"
#include "persistence/xml_values.h"
#include "platform/folders.h"
#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::persistence {

namespace {

using platform::OleCheck;

const std::string linkListElement = "LinkList";
const std::string linkElement = "Link";
const std::string quickSavesElement = "QuickSaves";
const std::string paramsElement = "Params";
const std::string paramElement = "I";

// The value whose identifier name the text is, compared without regard to case.
template <class Enum, size_t N>
Enum valueNamed(const std::array<const char *, N> &names, const std::string &text, Enum missing) {
  for (size_t i = 0; i < N; ++i)
    if (platform::SameTextIgnoringCase(text, names[i])) return Enum(i);
  return missing;
}

// A link being fetched when the list was saved is waiting again when it is read back.
TLinkState savedState(TLinkState state) { return state == lsInUse ? lsPure : state; }

// The journal a saved list names: a plain file name in the project directory. Any other name
// (a path leading out of the directory, or the description file itself) would have the list
// read a file that is not its journal; the setting's name serves then.
std::string journalNamedBy(IXMLElement *linkList) {
  ComPtr<IXMLElement> quickSaves;
  OleCheck(linkList->FindChild(quickSavesElement, quickSaves.put()));
  std::string name = quickSaves ? AttributeText(quickSaves.get(), "src") : std::string();
  bool plainName = !name.empty() && name != "." && name != ".." &&
                   name.find('/') == std::string::npos && name != JobDescriptionFileName();
  return plainName ? name : QuickSaveFileName();
}

// The validators of a copied link; none when the file holds no time of fetch (a file of an
// earlier version, or one whose time is no number).
std::shared_ptr<const TValidators> loadValidators(IXMLElement *link) {
  int64_t fetchedAt = 0;
  if (!ParseDecimal(AttributeText(link, "FetchedAt"), fetchedAt)) return nullptr;
  return std::make_shared<const TValidators>(
      TValidators{AttributeText(link, "ETag"), AttributeText(link, "LastModified"), fetchedAt});
}

} // namespace

TLocalFileName SaveLinkList(IXMLElement *Parent, IILinkList *Links,
                            const TLocalFileName &ProjectDir) {
  ComPtr<IXMLElement> linkList = FindOrAddChild(Parent, linkListElement);
  Links->EnumerateLinks([&](const TLinkDescription &LinkDesc, int32_t Level, TLinkState State) {
    ComPtr<IXMLElement> link;
    OleCheck(linkList->AppendChild(linkElement, link.put()));
    SetAttributeText(link.get(), "URL", LinkDesc.URL);
    SetAttributeText(link.get(), "LinkType", EnumName(LinkDesc.LinkType));
    SetAttributeText(link.get(), "LinkState", EnumName(savedState(State)));
    SetAttributeText(link.get(), "LinkLevel", std::to_string(Level));
    if (!LinkDesc.Tag.empty()) SetAttributeText(link.get(), "Tag", LinkDesc.Tag);
    if (LinkDesc.Params) SaveLinkParams(link.get(), LinkDesc.Params.get());
    if (const auto &validators = LinkDesc.Validators) {
      if (!validators->ETag.empty()) SetAttributeText(link.get(), "ETag", validators->ETag);
      if (!validators->LastModified.empty())
        SetAttributeText(link.get(), "LastModified", validators->LastModified);
      SetAttributeText(link.get(), "FetchedAt", std::to_string(validators->FetchedAt));
    }
  });
  std::string journal = QuickSaveFileName();
  SetAttributeText(FindOrAddChild(linkList.get(), quickSavesElement).get(), "src", journal);
  return platform::FileInFolder(ProjectDir, journal);
}

int32_t LoadLinkList(IXMLElement *Parent, IILinkList *Links, const TLocalFileName &ProjectDir) {
  ComPtr<IXMLElement> linkList;
  OleCheck(Parent->FindChild(linkListElement, linkList.put()));
  if (!linkList) return 0;
  int32_t count = 0;
  TLinkDescription desc;
  ForEachChild(linkList.get(), [&](IXMLElement *link) {
    if (!IsElementNamed(link, linkElement)) return;
    desc.URL = AttributeText(link, "URL");
    desc.LinkType = valueNamed(LinkTypeNames, AttributeText(link, "LinkType"), ltOther);
    TLinkState state = valueNamed(LinkStateNames, AttributeText(link, "LinkState"), lsPure);
    int32_t level = 0; // kept when the text is no number
    ParseDecimal(AttributeText(link, "LinkLevel"), level);
    desc.Tag = AttributeText(link, "Tag");
    desc.Params = LoadLinkParams(link);
    desc.Validators = loadValidators(link);
    Links->AddLinkEx(desc, level, savedState(state));
    ++count;
  });
  Links->SetJournalFile(platform::FileInFolder(ProjectDir, journalNamedBy(linkList.get())));
  Links->LoadJournal();
  // The replay stops the list writing to the journal, lest it append what it reads. The links
  // met from now on belong in the job's own journal, which the next save replaces, or a crash
  // before that save would lose them; never in a file that the description merely names.
  Links->SetJournalFile(platform::FileInFolder(ProjectDir, QuickSaveFileName()));
  return count;
}

void SaveLinkParams(IXMLElement *Link, IParams *Params) {
  ComPtr<IXMLElement> params = FindOrAddChild(Link, paramsElement);
  int32_t count = 0;
  OleCheck(Params->get_NamesCount(&count));
  for (int32_t i = 0; i < count; ++i) {
    std::string name, value;
    OleCheck(Params->get_Name(i, &name));
    OleCheck(Params->get_ValueByNameIndex(i, &value));
    ComPtr<IXMLElement> param;
    OleCheck(params->AppendChild(paramElement, param.put()));
    SetAttributeText(param.get(), "Name", name);
    if (!value.empty()) SetAttributeText(param.get(), "Value", value);
  }
}

ComPtr<IParams> LoadLinkParams(IXMLElement *Link) {
  ComPtr<IXMLElement> params;
  OleCheck(Link->FindChild(paramsElement, params.put()));
  if (!params) return nullptr;
  std::vector<std::pair<std::string, std::string>> pairs;
  ForEachChild(params.get(), [&](IXMLElement *param) {
    if (!IsElementNamed(param, paramElement)) return;
    std::string name = AttributeText(param, "Name");
    if (!name.empty()) pairs.emplace_back(std::move(name), AttributeText(param, "Value"));
  });
  if (pairs.empty()) return nullptr;
  // The container keeps its names sorted and inserts each in its place: handed over in order,
  // every name goes to the end, so a link with a great many parameters loads in n log n, not
  // n². The sort is stable, so of two equal names the later value still wins.
  std::stable_sort(pairs.begin(), pairs.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  ComPtr<IParams> result = CreateParams();
  for (const auto &[name, value] : pairs)
    OleCheck(result->put_Value(name, value));
  return result;
}

} // namespace zs::persistence
