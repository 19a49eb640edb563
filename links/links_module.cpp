#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "links/link_list.h"
#include "links/url_parser.h"
#include "links/url_services.h"

namespace zs {

void RegisterLinksModule() {
  GetURLServices.Fill(&links::TheURLServices);
  ParseURL.Fill(&links::ParseURL);
  UnparseURL.Fill(&links::UnparseURL);
  CreateURLParser.Fill(&links::NewURLParser);
  CreateLinkList.Fill(&links::NewLinkList);
}

void FinalizeLinksModule() {}

} // namespace zs
