#include "parsing/parser_factory.h"

#include "parsing/css_parser.h"
#include "parsing/html_parser.h"
#include "platform/safecall.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;

// The parser that the module named for the tag gives; empty when it gives none.
ComPtr<IParser> pluginParser(const std::string &contentTag) {
  return GetParserModule(contentTag).As<IParser>();
}

// The parser of a module that the settings name on purpose: having none is an error.
ComPtr<IParser> requiredPluginParser(const std::string &contentTag, const char *message) {
  ComPtr<IParser> parser = pluginParser(contentTag);
  if (!parser) throw EParser(message);
  return parser;
}

} // namespace

ComPtr<IParser> TParserChoice::NewParser() const { return builtIn_ ? builtIn_() : plugin_; }

TParserChoice ChooseParser(const std::string &ContentTag) {
  TParserChoice choice;
  ComPtr<IProfilerNames> profiler = GetProfiler();
  if (ContentTag == "css") {
    std::string moduleName;
    OleCheck(profiler->GetPluginParserModuleName(ContentTag, &moduleName));
    if (moduleName.empty())
      choice.builtIn_ = &NewCSSParser;
    else
      choice.plugin_ = requiredPluginParser(ContentTag, "Invalid external CSS Parser");
  } else if (ContentTag == "html") {
    bool overriden = false;
    OleCheck(profiler->get_HTMLParserOverriden(&overriden));
    if (!overriden)
      choice.builtIn_ = &NewHTMLParser;
    else
      choice.plugin_ = requiredPluginParser(ContentTag, "Invalid external HTML Parser");
  } else {
    choice.plugin_ = pluginParser(ContentTag);
  }
  return choice;
}

ComPtr<IParser> GetParser(const std::string &ContentTag) {
  return ChooseParser(ContentTag).NewParser();
}

} // namespace zs::parsing
