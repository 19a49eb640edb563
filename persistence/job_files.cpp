#include "persistence/job_files.h"

#include "persistence/data_documents.h"
#include "persistence/job_request_xml.h"
#include "persistence/link_list_xml.h"
#include "persistence/project_files.h"
#include "persistence/xml_values.h"
#include "platform/append_file.h"
#include "platform/folders.h"
#include "platform/safecall.h"

namespace zs::persistence {

namespace {

using platform::OleCheck;

const std::string jobElement = "Job";
const std::string jobListElement = "JobList";

ComPtr<IXMLElement> documentElementOf(IXMLDocument *document) {
  ComPtr<IXMLElement> root;
  OleCheck(document->get_DocumentElement(root.put()));
  return root;
}

} // namespace

void SaveJobDescription(TJobState State, IJobRequest *Request, IILinkList *Links,
                        const TLocalFileName &ProjectDir) {
  ComPtr<IXMLDocument> document = NewDataDocument();
  ComPtr<IXMLElement> root = NewRootElement(document.get(), jobElement);
  SetAttributeText(root.get(), "JobState", EnumName(State));
  SaveJobRequest(root.get(), Request);
  TLocalFileName journal = SaveLinkList(root.get(), Links, ProjectDir);
  SaveDataDocument(document.get(), platform::FileInFolder(ProjectDir, JobDescriptionFileName()));
  // Only now do the saved links stand in for the journal's records.
  platform::RemoveAppendFile(journal);
}

ComPtr<IXMLElement> OpenJobDescription(const TLocalFileName &ProjectDir) {
  ComPtr<IXMLDocument> document =
      OpenDataDocument(platform::FileInFolder(ProjectDir, JobDescriptionFileName()));
  if (!document) return nullptr;
  ComPtr<IXMLElement> root = documentElementOf(document.get());
  return IsElementNamed(root.get(), jobElement) ? root : nullptr;
}

TJobState LoadJobState(IXMLElement *Root) {
  std::string name = AttributeText(Root, "JobState");
  for (size_t i = 0; i < JobStateNames.size(); ++i)
    if (name == JobStateNames[i]) return TJobState(i);
  return jsStopped;
}

void SaveJobListFile(const TLocalFileName &FileName,
                     const std::vector<ComPtr<IJobRequest>> &Requests) {
  ComPtr<IXMLDocument> document = NewDataDocument();
  ComPtr<IXMLElement> root = NewRootElement(document.get(), jobListElement);
  for (const ComPtr<IJobRequest> &request : Requests) {
    ComPtr<IXMLElement> job;
    OleCheck(root->AppendChild(jobElement, job.put()));
    SaveJobRequest(job.get(), request.get());
  }
  SaveDataDocument(document.get(), FileName);
}

std::vector<ComPtr<IXMLElement>> OpenJobListFile(const TLocalFileName &FileName) {
  ComPtr<IXMLDocument> document = OpenDataDocument(FileName);
  if (!document)
    throw EDataLoad("Cannot open file. Possibly it isn't exists or not in XML format "
                    "(corrupted or illegal).");
  ComPtr<IXMLElement> root = documentElementOf(document.get());
  if (!root) return {};
  if (!IsElementNamed(root.get(), jobListElement)) throw EDataLoad("It's not a JobList file");
  std::vector<ComPtr<IXMLElement>> jobs;
  ForEachChild(root.get(), [&](IXMLElement *child) {
    if (IsElementNamed(child, jobElement)) jobs.emplace_back(child);
  });
  return jobs;
}

} // namespace zs::persistence
