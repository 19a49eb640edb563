// TParseProvider: routes one fetched file's text through the parser of its content tag,
// hands the links found to the job, and serves the parsers' custom blocks.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::parsing {

ComPtr<IParseProvider> NewParseProvider(const std::string &ContentTag, IURLParser *URLParser,
                                        IJobRequest *JobRequest, int32_t Level,
                                        IIJobAsyncProvider *LinkSink);

} // namespace zs::parsing
