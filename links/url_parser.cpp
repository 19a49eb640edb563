#include "links/url_parser.h"

#include <memory>
#include <optional>

#include "links/local_names.h"
#include "links/out_param.h"
#include "links/relative_link.h"
#include "links/url_operations.h"
#include "links/url_settings.h"
#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::links {

namespace {

using platform::OleCheck;
using platform::SafeCall;

bool isFileScheme(std::string_view scheme) {
  return platform::SameTextIgnoringCase(scheme, "file");
}

bool isWebScheme(std::string_view scheme) {
  for (std::string_view web : {"http", "https", "ftp"})
    if (platform::SameTextIgnoringCase(scheme, web)) return true;
  return false;
}

// Removes the dot segments of every URL, absolute ones too: a page must not reach above the
// project folder with "..". A last segment "." or ".." names a folder as well.
void cleanPath(TParsedURL &url) {
  if (url.FileName == "." || url.FileName == "..") {
    url.Path += url.FileName;
    url.Path += '/';
    url.FileName.clear();
  }
  removeDotSegments(url.Path);
}

// The system reads a file name only up to a zero byte: no name may hold one, whether it came
// with the link or with the base page.
bool holdsZeroByte(const TParsedURL &url) {
  for (const std::string *field : {&url.UserAndPass, &url.Path, &url.FileName, &url.Query})
    if (field->find('\0') != std::string::npos) return true;
  return false;
}

// What a parser knows of its job, read once when the parser is made: the parser lives for
// one page, and the job's site, folder and settings hold for all its links.
struct TJobContext {
  explicit TJobContext(IJobRequest *request) : JobRequest(request) {
    TURL siteURL;
    OleCheck(request->get_SiteURL(&siteURL));
    Parse(siteURL, Site, false, Settings);
    cleanPath(Site);
    Simplify(Site, Settings);
    OleCheck(request->get_ProjectDir(&ProjectDir));
    // Without a folder of its own, "/" would take the job's files.
    if (ProjectDir.empty()) throw EKBadPath("The job has no project directory");
    if (!ProjectDir.ends_with('/')) ProjectDir += '/';
    OleCheck(request->get_AllowLinksAway(&AllowLinksAway));
    SiteLocalDir = ProjectDir;
    if (AllowLinksAway) (SiteLocalDir += Settings.FirstSiteName()) += '/';
  }

  // The job's index name; when it has none yet, the default one, kept in the job so that
  // the job goes on with the name it started with.
  const std::string &IndexName() {
    if (!indexName_) {
      std::string name;
      OleCheck(JobRequest->get_IndexName(&name));
      if (name.empty()) {
        name = Settings.DefaultIndexName();
        if (auto internal = JobRequest.As<IIJobRequest>()) internal->SetIndexName(name);
      }
      indexName_.emplace();
      appendLocalName(*indexName_, name, true);
    }
    return *indexName_;
  }

  ComPtr<IJobRequest> JobRequest;
  TURLSettings Settings;
  TParsedURL Site;
  std::string ProjectDir;   // with a trailing /
  std::string SiteLocalDir; // where the site's own files go, with a trailing /
  bool AllowLinksAway = false;

private:
  std::optional<std::string> indexName_; // escaped
};

class TURLParser final : public platform::TComObject<IURLParser> {
public:
  TURLParser(std::shared_ptr<TJobContext> job, bool localFilesAllowed)
      : job_(std::move(job)), localFilesAllowed_(localFilesAllowed) {}

  HRESULT SetBase(const TURL &URL, const TLocalFileName &LocalDir) override {
    return SafeCall([&] { setBase(URL, LocalDir); });
  }
  HRESULT BaseFromCurrent() override {
    return SafeCall([&] {
      std::string dir;
      appendLocalDir(dir);
      setBaseRecord(current_);
      baseParsed_ = true;
      setBaseLocalDir(std::move(dir));
    });
  }
  HRESULT SetURL(const TURL &URL, bool *Accepted) override {
    return SafeCall([&] { outParam(Accepted) = setURL(URL); });
  }
  HRESULT GetParsedURL(TParsedURL *Value) override {
    return SafeCall([&] { outParam(Value) = current_; });
  }
  HRESULT GetURL(TURL *Value) override {
    return SafeCall([&] { Unparse(current_, outParam(Value)); });
  }
  HRESULT GetDomainDirName(std::string *Value) override {
    return SafeCall([&] {
      outParam(Value).clear();
      appendDomainDirName(*Value);
    });
  }
  HRESULT GetLocalFileName(TLocalFileName *Value) override {
    return SafeCall([&] {
      outParam(Value).clear();
      appendLocalFileName(*Value);
    });
  }
  HRESULT GetLocalDir(TLocalFileName *Value) override {
    return SafeCall([&] {
      outParam(Value).clear();
      appendLocalDir(*Value);
    });
  }
  HRESULT GetRelativeLink(TURL *Value) override {
    return SafeCall([&] {
      std::string &link = outParam(Value);
      scratch_.clear();
      appendLocalFileName(scratch_);
      link.clear();
      appendRelativeLink(link, baseComponents_, scratch_, targetComponents_);
      link += anchor_;
    });
  }

  HRESULT GetOnlineLink(TURL *Value) override {
    return SafeCall([&] {
      std::string &link = outParam(Value);
      link.clear();
      if (!resolvedFromRelative_ || !isWebScheme(current_.Sheme)) return;
      Unparse(current_, link);
      link += anchor_;
    });
  }

  void setBase(const TURL &url, const TLocalFileName &localDir) {
    std::string dir = localDir;
    if (dir.empty()) {
      // The base page's folder is where a parser without base puts that page. A page the
      // job would not take has none; links from it are then written as absolute paths.
      auto other = platform::MakeCom<TURLParser>(job_, true);
      if (other->setURL(url)) other->appendLocalDir(dir);
    }
    TParsedURL base;
    baseParsed_ = Parse(url, base, false, job_->Settings);
    setBaseRecord(base);
    localFilesAllowed_ = url.empty() || isFileScheme(base_.Sheme);
    setBaseLocalDir(std::move(dir));
  }

  bool setURL(std::string_view url) {
    accepted_ = resolvedFromRelative_ = false;
    anchor_.clear();
    if (!Parse(url, current_, false, job_->Settings) || IsLocalAnchor(current_)) return false;
    anchor_.swap(current_.Anchor);
    const bool relative = current_.Sheme.empty();
    if (relative && !resolveAgainstBase(url)) return false;
    cleanPath(current_);
    if (holdsZeroByte(current_)) return false;
    resolvedFromRelative_ = relative;

    inSite_ = IsInSite(job_->Site, current_, job_->Settings);
    // A web page must not lead the job to the user's own files.
    if (!localFilesAllowed_ && isFileScheme(current_.Sheme)) return false;
    if (inSite_) {
      localDir_ = job_->SiteLocalDir;
    } else if (job_->AllowLinksAway) {
      localDir_ = job_->ProjectDir;
      appendDomainDirName(localDir_);
      localDir_ += '/';
    } else {
      return false;
    }
    accepted_ = true;
    return true;
  }

  void appendLocalDir(std::string &out) {
    requireAccepted();
    out += localDir_;
    std::string_view path = current_.Path;
    if (inSite_) path.remove_prefix(std::min(path.size(), job_->Site.Path.size()));
    if (!path.empty() && isPathSeparator(path[0])) path.remove_prefix(1);
    appendLocalName(out, path, false);
  }

private:
  // Keeps what a link made of a query alone, or of nothing, refers to: the base page itself.
  void setBaseRecord(const TParsedURL &record) {
    base_ = record;
    baseFileName_.swap(base_.FileName);
    baseQuery_.swap(base_.Query);
    base_.FileName.clear();
    base_.Query.clear();
    base_.Anchor.clear();
  }

  void setBaseLocalDir(std::string dir) {
    baseLocalDir_ = std::move(dir);
    splitLocalPath(baseLocalDir_, baseComponents_);
  }

  // Completes a URL without scheme from the base; false when that gives no valid URL.
  bool resolveAgainstBase(std::string_view url) {
    // A base that does not parse holds a host and path of any kind: nothing resolves there.
    if (!baseParsed_) return false;
    if (current_.Path.starts_with("//") && !base_.Sheme.empty()) {
      // //host/x names a host of its own, reached with the base page's scheme.
      scratch_.assign(base_.Sheme).append(":").append(url);
      if (!Parse(scratch_, current_, false, job_->Settings)) return false;
      current_.Anchor.clear();
      return true;
    }
    current_.Sheme = base_.Sheme;
    current_.UserAndPass = base_.UserAndPass;
    current_.Prefix = base_.Prefix;
    current_.Domain = base_.Domain;
    current_.Port = base_.Port;
    if (current_.Path.empty() && current_.FileName.empty()) {
      current_.FileName = baseFileName_;
      if (current_.Query.empty()) current_.Query = baseQuery_;
    }
    if (current_.Path.empty() || !isPathSeparator(current_.Path[0]))
      current_.Path.insert(0, base_.Path);
    return true;
  }

  void requireAccepted() const {
    if (!accepted_) throw EKBadPath("The URL was not accepted for the job, it has no local name");
  }

  void appendDomainDirName(std::string &out) {
    const size_t nameStart = out.size();
    if (!current_.Prefix.empty() && !job_->Settings.IgnorePrefix()) {
      appendLocalName(out, current_.Prefix, true);
      out += '.';
    }
    appendLocalName(out, current_.Domain, true);
    neutraliseDotName(out, nameStart);
    if (!current_.Port.empty()) (out += "_@") += current_.Port;
  }

  void appendLocalFileName(std::string &out) {
    appendLocalDir(out);
    const size_t nameStart = out.size();
    if (!current_.FileName.empty())
      appendLocalName(out, current_.FileName, true);
    else if (current_.Query.empty())
      out += job_->IndexName();
    appendLocalName(out, current_.Query, true);
    neutraliseDotName(out, nameStart);
  }

  std::shared_ptr<TJobContext> job_;
  bool localFilesAllowed_;

  TParsedURL base_; // FileName, Query and Anchor always empty
  bool baseParsed_ = true;
  std::string baseFileName_, baseQuery_;
  std::string baseLocalDir_;
  std::vector<std::string_view> baseComponents_; // views into baseLocalDir_

  TParsedURL current_; // resolved, cleaned, without anchor
  std::string anchor_; // the anchor the last URL was written with
  bool inSite_ = true;
  bool accepted_ = false;
  bool resolvedFromRelative_ = false; // the last URL resolved, and was written without scheme
  std::string localDir_;

  // Working space kept between calls: a page has many links.
  std::string scratch_;
  std::vector<std::string_view> targetComponents_;
};

} // namespace

ComPtr<IURLParser> NewURLParser(const TURL &BaseURL, IJobRequest *JobRequest) {
  if (!JobRequest) throw EKBadPath("A URL parser needs a job request");
  auto parser =
      platform::MakeCom<TURLParser>(std::make_shared<TJobContext>(JobRequest), BaseURL.empty());
  if (!BaseURL.empty()) parser->setBase(BaseURL, {});
  return parser;
}

} // namespace zs::links
