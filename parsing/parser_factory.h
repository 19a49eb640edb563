// GetParser: the parser of a content tag: the built-in parsers of "html" and "css", or a
// plug-in module's parser.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::parsing {

// Where the parsers of one content tag come from, as the settings said when it was made.
// A file may hold thousands of blocks of one type; the provider keeps the choice so that
// the settings are read once per type and file, not once per block.
class TParserChoice {
public:
  // A fresh built-in parser each time; a plug-in module's parser is its own object.
  // Empty when nothing parses the tag.
  ComPtr<IParser> NewParser() const;
  bool HasParser() const { return builtIn_ || plugin_; }

private:
  friend TParserChoice ChooseParser(const std::string &ContentTag);

  ComPtr<IParser> (*builtIn_)() = nullptr;
  ComPtr<IParser> plugin_;
};

// Raises EParser when the settings name a module for "html" or "css" that gives no parser.
TParserChoice ChooseParser(const std::string &ContentTag);

ComPtr<IParser> GetParser(const std::string &ContentTag);

} // namespace zs::parsing
