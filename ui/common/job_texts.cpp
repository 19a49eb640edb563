#include "ui/common/job_texts.h"

#include <cctype>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "ui/common/job_form_rules.h"
#include "ui/common/user_job_list.h"

namespace zs::ui {

std::string JobFieldName(int32_t Field) {
  static constexpr const char *names[] = {
      "", "title", "copy type", "depth", "index name", "page URL", "site", "any site", "directory"};
  return Field > 0 && Field < int32_t(std::size(names)) ? names[Field] : "";
}

std::string RefusedFieldText(int32_t Field, const std::string &Message) {
  return "The " + JobFieldName(Field) + " is refused: " + Message;
}

std::string PageURLOf(const std::string &Text) {
  if (Text.find(':') != std::string::npos || !std::filesystem::exists(Text)) return Text;
  return FileURLOfPath(AbsolutePath(Text));
}

std::string WarningLine(const std::string &Text) { return "Warning: " + Text; }

std::string ErrorLine(const std::string &Source, const std::string &Text) {
  if (Text.empty()) return Source + " error occured.";
  if (Source == "Workflow") return "Error: " + Text + ".";
  return Source + " error: " + Text + ".";
}

} // namespace zs::ui
