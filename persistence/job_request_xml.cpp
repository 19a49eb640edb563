#include "persistence/job_request_xml.h"

#include "persistence/data_documents.h"
#include "persistence/xml_values.h"
#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::persistence {

namespace {

using platform::OleCheck;
using platform::SameTextIgnoringCase;

const std::string requestElement = "Request";

} // namespace

void SaveJobRequest(IXMLElement *Parent, IJobRequest *Request) {
  // One copy taken under the request's lock: the element never mixes two definitions.
  TJobRequestDef def;
  OleCheck(Request->AsRecDef(&def));
  ComPtr<IXMLElement> element = FindOrAddChild(Parent, requestElement);
  SetAttributeText(element.get(), "Title", def.Title);
  SetAttributeText(element.get(), "CopyType", def.CopyType == ctExact ? "Exact" : "Browsable");
  SetAttributeText(element.get(), "FollowLinksLevel", std::to_string(def.DownLevel));
  SetAttributeText(element.get(), "IndexFileName", def.IndexName);
  SetAttributeText(element.get(), "FirstPageURL", def.PageURL);
  SetAttributeText(element.get(), "SiteURL", def.SiteURL);
  SetAttributeText(element.get(), "AllowLinksAway", def.AllowLinksAway ? "True" : "False");
  SetAttributeText(element.get(), "ProjectDir", def.ProjectDir);
}

bool LoadJobRequest(IXMLElement *Parent, ComPtr<IJobRequest> &Request, bool ReadProjectDir) {
  ComPtr<IXMLElement> element;
  if (Parent) OleCheck(Parent->FindChild(requestElement, element.put()));
  if (!element) return false;

  // What is missing or does not convert keeps the default.
  TJobRequestDef def;
  OleCheck(GetProfiler()->GetDefaultJobRequest(&def));
  def.Title = AttributeText(element.get(), "Title");
  std::string copyType = AttributeText(element.get(), "CopyType");
  if (SameTextIgnoringCase(copyType, "Exact")) def.CopyType = ctExact;
  if (SameTextIgnoringCase(copyType, "Browsable")) def.CopyType = ctBrowsable;
  ParseDecimal(AttributeText(element.get(), "FollowLinksLevel"), def.DownLevel);
  def.IndexName = AttributeText(element.get(), "IndexFileName");
  def.PageURL = AttributeText(element.get(), "FirstPageURL");
  def.SiteURL = AttributeText(element.get(), "SiteURL");
  std::string allowLinksAway = AttributeText(element.get(), "AllowLinksAway");
  if (SameTextIgnoringCase(allowLinksAway, "True")) def.AllowLinksAway = true;
  if (SameTextIgnoringCase(allowLinksAway, "False")) def.AllowLinksAway = false;
  // A description file belongs to the directory it lies in, wherever it says it was made.
  if (ReadProjectDir)
    def.ProjectDir = AttributeText(element.get(), "ProjectDir");
  else if (Request)
    OleCheck(Request->get_ProjectDir(&def.ProjectDir));

  if (def.PageURL.empty() || def.ProjectDir.empty()) return false;
  ComPtr<IJobRequest> loaded = CreateJobRequest();
  OleCheck(loaded->Change(def));
  Request = std::move(loaded);
  return true;
}

} // namespace zs::persistence
