#include "retrieval/fetch_validators.h"

#include <chrono>

#include "platform/safecall.h"
#include "retrieval/tool_errors.h"

namespace zs::retrieval {

namespace {

using platform::OleCheck;

// Longer than any validator a sound server sends; kept, it would go with every request.
constexpr size_t longestValidator = 1024;

void keepShort(std::string &value, const char *name, const TURL &url) {
  if (value.size() <= longestValidator) return;
  ReportWarning(std::string("The ") + name + " of " + std::to_string(value.size()) +
                " bytes is too long to keep; the next refresh asks for the whole file (" + url +
                ")");
  value.clear();
}

ComPtr<IGetFileToolConditional> conditionalOf(IGetFileTool &Tool) {
  return ComPtr<IUnknown>(&Tool).As<IGetFileToolConditional>();
}

} // namespace

void AskIfChanged(IGetFileTool &Tool, const TLinkDescription &Link) {
  if (!Link.Validators) return;
  if (auto conditional = conditionalOf(Tool))
    OleCheck(conditional->SetConditions(Link.Validators->ETag, Link.Validators->LastModified));
}

TFetchAnswer ReadFetchAnswer(IGetFileTool &Tool, const TLinkDescription &Link) {
  TValidators validators;
  validators.FetchedAt = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  TFetchAnswer answer;
  if (auto conditional = conditionalOf(Tool)) {
    CheckTool(
        conditional->GetValidators(&answer.NotModified, &validators.ETag, &validators.LastModified),
        &Tool, Link.URL);
  }
  const bool asked =
      Link.Validators && (!Link.Validators->ETag.empty() || !Link.Validators->LastModified.empty());
  if (answer.NotModified && !asked)
    throw EInternet("The server answered \"not modified\" to a request for the whole file (" +
                    Link.URL + ")");
  keepShort(validators.ETag, "ETag", Link.URL);
  keepShort(validators.LastModified, "Last-Modified", Link.URL);
  // A current copy keeps what it was asked with when the answer names nothing new.
  if (answer.NotModified && validators.ETag.empty()) validators.ETag = Link.Validators->ETag;
  if (answer.NotModified && validators.LastModified.empty())
    validators.LastModified = Link.Validators->LastModified;
  answer.Validators = std::make_shared<const TValidators>(std::move(validators));
  return answer;
}

int32_t RetryAfterOf(IGetFileTool &Tool) {
  int32_t seconds = -1;
  auto conditional = conditionalOf(Tool);
  if (!conditional || platform::Failed(conditional->GetRetryAfter(&seconds))) return -1;
  return seconds;
}

} // namespace zs::retrieval
