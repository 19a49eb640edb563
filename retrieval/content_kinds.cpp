#include "retrieval/content_kinds.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/text.h"

namespace zs::retrieval {

namespace {

// The system's table of media types: one type per line, followed by its extensions.
constexpr const char *mimeTypesFile = "/etc/mime.types";

std::map<std::string, std::string> readMimeTypes() {
  std::map<std::string, std::string> types;
  std::ifstream file(mimeTypesFile);
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string type, extension;
    fields >> type;
    // The first line naming an extension wins, as the system's own lookups do.
    while (fields >> extension)
      types.emplace(platform::LowerCase(extension), type);
  }
  return types;
}

} // namespace

std::string ContentTypeToKind(const std::string &ContentType) {
  // Servers send parameters ("text/html; charset=utf-8") and write the type in any case:
  // the media type is what is before the parameters, without regard to case.
  const std::string media = platform::LowerCase(platform::WithoutBlanksAround(
      std::string_view(ContentType).substr(0, ContentType.find(';'))));
  if (media == "text/html") return "html";
  if (media == "text/css") return "css";
  if (media == "application/x-javascript") return "script";
  return "";
}

std::string LinkTypeToKind(TLinkType LinkType) {
  switch (LinkType) {
  case ltUserEntered:
  case ltAHref:
  case ltFrame:
  case ltFormAction:
  case ltExtra: return "html";
  case ltScript: return "script";
  case ltStylesheet: return "css";
  case ltImage:
  case ltEmbedded:
  case ltOther: break;
  }
  return "";
}

bool IsKnownKind(const std::string &Kind) {
  return Kind == "html" || Kind == "css" || Kind == "script";
}

std::string ContentTypeOfFileName(const std::string &FileName) {
  // Read once: the table does not change while the program runs.
  static const std::map<std::string, std::string> types = readMimeTypes();
  std::string extension = std::filesystem::path(FileName).extension().string();
  if (extension.size() < 2) return "";
  // Extensions name the same type in any case, as they do in the system's registry.
  auto found = types.find(platform::LowerCase(extension.substr(1)));
  return found == types.end() ? "" : found->second;
}

} // namespace zs::retrieval
