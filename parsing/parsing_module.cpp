#include "kernel/module_startup.h"
#include "parsing/link_mending.h"
#include "parsing/params.h"
#include "parsing/parse_provider.h"
#include "parsing/parser_factory.h"

namespace zs {

void RegisterParsingModule() {
  CreateParams.Fill(&parsing::NewParams);
  CreateParseProvider.Fill(&parsing::NewParseProvider);
  GetParser.Fill(&parsing::GetParser);
  MendLinksNotCopied.Fill(&parsing::MendLinksNotCopied);
}

void FinalizeParsingModule() {}

} // namespace zs
