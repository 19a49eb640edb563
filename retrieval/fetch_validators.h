// Asking whether a copied resource changed: the validators of its copy go with the request,
// and the answer says whether it is current, with the validators to keep for next time.
#pragma once

#include <memory>

#include "kernel/interfaces.h"

namespace zs::retrieval {

// Before Open: a link copied before is asked for only if it changed since, when the tool
// can ask so.
void AskIfChanged(IGetFileTool &Tool, const TLinkDescription &Link);

struct TFetchAnswer {
  bool NotModified = false;
  std::shared_ptr<const TValidators> Validators; // to keep with the copy made now
};

// After Open found the resource. A "not modified" that answers a request that did not ask
// for it is an error (there is nothing to keep); validators too long to keep are dropped,
// with a warning.
TFetchAnswer ReadFetchAnswer(IGetFileTool &Tool, const TLinkDescription &Link);

// After a failed fetch: the seconds the server asked to wait before the next try, -1 when it
// asked for none (or the tool cannot tell).
int32_t RetryAfterOf(IGetFileTool &Tool);

} // namespace zs::retrieval
