#include "ui/common/job_description_file.h"

#include "platform/safecall.h"

namespace zs::ui {

ComPtr<IJobRequest> ReadJobDescription(const std::string &File) {
  try {
    ComPtr<IXMLDocument> document = OpenDataDocument(File);
    ComPtr<IXMLElement> root;
    if (document) platform::OleCheck(document->get_DocumentElement(root.put()));
    ComPtr<IJobRequest> request = CreateJobRequest();
    if (root && LoadJobRequest(root.get(), request, true)) return request;
  } catch (const std::exception &) {
    // Whatever the file holds, it is no job description: the caller tells the person so.
  }
  return nullptr;
}

} // namespace zs::ui
