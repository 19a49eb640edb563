#include <string_view>

#include "kernel/job_request.h"

namespace zs::kernel {

namespace {

constexpr std::string_view invalidFileNameCharacters = "<>\\/:?*\"|&";

const char *const emptyMessage = "This field cannot be empty";
const char *const boundsMessage = "This field is out of bounds";
const char *const urlMessage = "This is an incorrect URL";

bool isUsableURL(const TURL &url) {
  TParsedURL parsed;
  return ParseURL(url, parsed, false) && !parsed.Sheme.empty();
}

} // namespace

std::string FileNameFault(const std::string &Name) {
  if (Name.find_first_of(invalidFileNameCharacters) == std::string::npos) return {};
  std::string message = "These characters are invalid in file name:\r\n";
  for (char c : invalidFileNameCharacters) {
    if (message.back() != '\n') message += ' ';
    message += c;
  }
  return message;
}

// Checks in a fixed order; the first failing check decides the field and the message.
int32_t ValidateDef(const TJobRequestDef &Def, IJobRequest *Request, std::string &Message) {
  const auto fail = [&](int32_t field, std::string message) {
    Message = std::move(message);
    return field;
  };
  if (Def.CopyType != ctExact && Def.CopyType != ctBrowsable) return fail(2, boundsMessage);
  if (Def.PageURL.empty()) return fail(5, emptyMessage);
  if (!isUsableURL(Def.PageURL)) return fail(5, urlMessage);
  if (!Def.AllowLinksAway && Def.SiteURL.empty()) return fail(6, emptyMessage);
  if (!Def.AllowLinksAway && !isUsableURL(Def.SiteURL)) return fail(6, urlMessage);
  if (Def.DownLevel < -1) return fail(3, boundsMessage);
  if (std::string fault = FileNameFault(Def.IndexName); !fault.empty()) return fail(4, fault);
  if (Def.ProjectDir.empty()) return fail(8, emptyMessage);
  std::string dirMessage;
  if (!CheckProjectDir(Def.ProjectDir, Request, dirMessage)) return fail(8, dirMessage);
  if (Def.Title.empty()) return fail(1, emptyMessage);
  Message.clear();
  return 0;
}

} // namespace zs::kernel
