#include "parsing/link_mending.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "parsing/copy_type.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;
using platform::SafeCall;

// Local file names of the links not copied, with the URL each stands for.
using TNotCopied = std::unordered_map<std::string, std::string>;

// Reads a copied page's links as the local links they are, and takes those to files the
// job did not copy: for each, the URL it was made from is written instead. Every other link
// stays as it is written.
class TMendingURLParser final : public platform::TComObject<IURLParser> {
public:
  TMendingURLParser(std::string pageDir, const TNotCopied &notCopied)
      : pageDir_(std::move(pageDir)), notCopied_(notCopied) {}

  HRESULT SetBase(const TURL &, const TLocalFileName &) override { return platform::S_OK; }
  HRESULT BaseFromCurrent() override { return platform::S_OK; }
  HRESULT SetURL(const TURL &URL, bool *Accepted) override {
    return SafeCall([&] { *Accepted = setURL(URL); });
  }
  HRESULT GetParsedURL(TParsedURL *) override { return platform::E_NOTIMPL; }
  HRESULT GetURL(TURL *Value) override {
    return SafeCall([&] { *Value = url_; });
  }
  HRESULT GetDomainDirName(std::string *) override { return platform::E_NOTIMPL; }
  HRESULT GetLocalFileName(TLocalFileName *) override { return platform::E_NOTIMPL; }
  HRESULT GetLocalDir(TLocalFileName *) override { return platform::E_NOTIMPL; }
  HRESULT GetRelativeLink(TURL *Value) override {
    return SafeCall([&] { *Value = url_ + anchor_; });
  }
  HRESULT GetOnlineLink(TURL *Value) override {
    return SafeCall([&] { Value->clear(); });
  }

private:
  bool setURL(std::string_view link) {
    url_.clear();
    anchor_.clear();
    // A relative link to a local file is a path: anything with a scheme, a query or an
    // absolute path was not written for a copied file.
    const size_t hash = link.find('#');
    if (hash != std::string_view::npos) {
      anchor_.assign(link.substr(hash));
      link = link.substr(0, hash);
    }
    if (link.empty() || link.front() == '/' || link.find_first_of(":?") != link.npos) return false;
    if (!resolve(link)) return false;
    auto found = notCopied_.find(target_);
    if (found == notCopied_.end()) return false;
    // A file of that name is there after all: the link opens it.
    std::error_code error;
    if (std::filesystem::exists(platform::WithSingleSeparators(target_), error)) return false;
    url_ = found->second;
    return true;
  }

  // The local file name the link leads to from the page's folder, into target_.
  bool resolve(std::string_view link) {
    components_.clear();
    for (size_t start = 0; start <= link.size();) {
      size_t end = std::min(link.find('/', start), link.size());
      const std::string_view part = link.substr(start, end - start);
      if (part == "..") {
        if (components_.empty()) return false;
        components_.pop_back();
      } else if (part != "." && !(part.empty() && end < link.size())) {
        components_.push_back(platform::DecodePercentEscapes(part));
      }
      start = end + 1;
    }
    target_ = pageDir_;
    for (size_t i = 0; i < components_.size(); ++i) {
      if (i) target_ += '/';
      target_ += components_[i];
    }
    return true;
  }

  const std::string pageDir_; // with its trailing slash
  const TNotCopied &notCopied_;
  std::vector<std::string> components_;
  std::string target_, url_, anchor_;
};

std::string readFile(const std::string &fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw platform::EOSError("Cannot read file \"" + fileName + "\"", errno);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string &fileName, const std::string &content) {
  platform::TFileReplacement replacement(fileName);
  {
    std::ofstream out(replacement.TempName(), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) throw platform::EOSError("Cannot write file \"" + fileName + "\"", EIO);
  }
  replacement.Commit();
}

bool isPage(TLinkType type) {
  return type != ltImage && type != ltScript && type != ltStylesheet && type != ltEmbedded;
}

struct TPage {
  std::string URL;
  int32_t Level = 0;
};

void mendPage(const TPage &page, IJobRequest &jobRequest, IURLParser &names,
              const TNotCopied &notCopied) {
  bool accepted = false;
  OleCheck(names.SetURL(page.URL, &accepted));
  if (!accepted) return;
  TLocalFileName fileName, dir;
  OleCheck(names.GetLocalFileName(&fileName));
  OleCheck(names.GetLocalDir(&dir));
  fileName = platform::WithSingleSeparators(fileName);
  const std::string content = readFile(fileName);
  // A page in UTF-16 or a file that is no text: nothing here was written as 8-bit links.
  if (content.find('\0') != std::string::npos) return;
  auto parser = platform::MakeCom<TMendingURLParser>(dir, notCopied);
  ComPtr<IParseProvider> provider =
      CreateParseProvider("html", parser.get(), &jobRequest, page.Level, nullptr);
  std::string mended, rest;
  OleCheck(provider->ProcessBlock(content, &mended));
  OleCheck(provider->Finish(&rest));
  mended += rest;
  if (mended != content) writeFile(fileName, mended);
}

} // namespace

void MendLinksNotCopied(IJobRequest *JobRequest, IILinkList *Links) {
  if (!IsBrowsableCopy(*JobRequest) || !FollowsModernMarkup()) return;
  int32_t depth = -1;
  OleCheck(JobRequest->get_DownLevel(&depth));
  if (depth < 0) return;

  ComPtr<IURLParser> names = CreateURLParser("", JobRequest);
  TNotCopied notCopied;
  std::vector<TPage> pages;
  Links->EnumerateLinks([&](const TLinkDescription &link, int32_t level, TLinkState state) {
    if (level == depth && state == lsCompleteOK && isPage(link.LinkType))
      pages.push_back({link.URL, level});
    if (level <= depth || state != lsPure) return;
    bool accepted = false;
    OleCheck(names->SetURL(link.URL, &accepted));
    TLocalFileName fileName;
    if (accepted) OleCheck(names->GetLocalFileName(&fileName));
    if (accepted) notCopied.emplace(std::move(fileName), link.URL);
  });
  if (notCopied.empty()) return;
  for (const TPage &page : pages) {
    try {
      mendPage(page, *JobRequest, *names, notCopied);
    } catch (const std::exception &error) {
      ReportWarning(std::string("Links not copied were not pointed at the web in ") + page.URL +
                    ": " + error.what());
    }
  }
}

} // namespace zs::parsing
