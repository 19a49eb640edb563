// What the persistence tests share: job requests and link lists made through their entry
// points, links read back as comparable values, documents written from text, and the XML
// provider module chosen by the settings.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/safecall.h"
#include "tests/support/params_pairs.h"
#include "tests/support/test_environment.h"

namespace zs::testing {

using platform::OleCheck;

inline ComPtr<IJobRequest> MakeRequest(const TJobRequestDef &def) {
  ComPtr<IJobRequest> request = CreateJobRequest();
  OleCheck(request->Change(def));
  return request;
}

inline TJobRequestDef DefOf(IJobRequest *request) {
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  return def;
}

inline TJobRequestDef SampleDef(const std::string &projectDir) {
  return {"Sample",
          ctBrowsable,
          2,
          "index.html",
          "http://example.com/docs/start.html",
          "http://example.com/docs/",
          true,
          projectDir};
}

// A link as a link list enumerates it.
struct TSavedLink {
  std::string URL;
  TLinkType LinkType = ltAHref;
  int32_t Level = 0;
  TLinkState State = lsPure;
  std::string Tag = "";
  TPairs Params = {};
  friend bool operator==(const TSavedLink &, const TSavedLink &) = default;
  friend std::ostream &operator<<(std::ostream &out, const TSavedLink &link) {
    return out << link.URL << " " << EnumName(link.LinkType) << " level " << link.Level << " "
               << EnumName(link.State) << " '" << link.Tag << "' " << link.Params.size()
               << " params";
  }
};

// A link list made as a job makes it.
class TLinks {
public:
  TLinks() : List(CreateLinkList(nullptr, -1)), Links(List.As<IILinkList>()) {}

  void Add(const TSavedLink &link) {
    TLinkDescription desc{link.URL, link.LinkType, link.Tag, nullptr};
    if (!link.Params.empty()) desc.Params = CreateParams();
    for (const auto &[name, value] : link.Params)
      OleCheck(desc.Params->put_Value(name, value));
    Links->AddLinkEx(desc, link.Level, link.State);
  }
  std::vector<TSavedLink> All() const {
    std::vector<TSavedLink> links;
    Links->EnumerateLinks([&](const TLinkDescription &desc, int32_t level, TLinkState state) {
      links.push_back({desc.URL, desc.LinkType, level, state, desc.Tag, {}});
      int32_t count = 0;
      if (desc.Params) OleCheck(desc.Params->get_NamesCount(&count));
      for (int32_t i = 0; i < count; ++i) {
        std::string name, value;
        OleCheck(desc.Params->get_Name(i, &name));
        OleCheck(desc.Params->get_ValueByNameIndex(i, &value));
        links.back().Params.emplace_back(name, value);
      }
    });
    return links;
  }

  ComPtr<ILinkList> List;
  ComPtr<IILinkList> Links;
};

// The document element of a file written with the given text.
inline ComPtr<IXMLElement> RootOfText(const std::string &fileName, const std::string &text) {
  WriteFile(fileName, text);
  ComPtr<IXMLDocument> document = OpenDataDocument(fileName);
  if (!document) throw std::runtime_error("the test document does not load: " + text);
  ComPtr<IXMLElement> root;
  OleCheck(document->get_DocumentElement(root.put()));
  return root;
}

inline std::string Attribute(IXMLElement *element, const std::string &name) {
  std::string value;
  bool present = false;
  OleCheck(element->GetAttribute(name, &value, &present));
  return present ? value : "(none)";
}

// The names of the files in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Names a module as the XML provider for the life of the object: a module built from
// tests/plugins/modules/<module>.cpp, or any other file.
class ScopedXMLProvider {
public:
  explicit ScopedXMLProvider(const std::string &module) {
    std::string built = std::string(ZS_TEST_MODULES_DIR) + "/" + module + ".so";
    set(std::filesystem::exists(built) ? built : module);
  }
  ~ScopedXMLProvider() {
    set("");
    FreeAllPlugins();
  }

private:
  static void set(const std::string &name) {
    OleCheck(GetProfiler()->put_Param("PluginXMLProviderModuleName", Variant(name)));
  }
};

} // namespace zs::testing
