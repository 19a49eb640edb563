// THTMLTokenizer: the streaming byte loop of the HTML parser. It splits a page into tags,
// attributes, comments and raw-text content, hands each token to a handler, and writes the
// page back with the attribute values the handler replaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zs::parsing {

// NUL, tab, line feed, carriage return and space.
bool IsHTMLWhitespace(char c);

// What the tokenizer does with the value of an attribute.
enum class TValueUse : uint8_t {
  Skip,    // nobody needs it: it is only scanned over
  Read,    // its text is handed over and stays in the page as written
  Rewrite, // its text is handed over and may be replaced in the page
};

// Receives the tokens, once per token, never per character.
class THTMLTokenHandler {
public:
  // A tag name, lower-case; a closing tag keeps its '/'. A name longer than any element
  // name comes cut short.
  virtual void TagName(std::string_view Name) = 0;
  // An attribute name followed by '=', lower-case: what to do with its value.
  virtual TValueUse AttributeName(std::string_view Name) = 0;
  // The value of an attribute that is not skipped; Quote is its quote character, 0 when
  // unquoted. Replacement is given only when the value can be replaced: return true after
  // writing there the text to put in its place.
  virtual bool AttributeValue(std::string_view Value, char Quote, std::string *Replacement) = 0;
  // An attribute without a value; the name as written.
  virtual void AttributeWithoutValue(std::string_view Name) = 0;
  // The tag is complete. True when the element's content is raw text, which then runs up
  // to the closing tag of the element named last.
  virtual bool TagEnd() = 0;
  // A piece of raw-text content (never empty), and its end. Output, when not null,
  // receives what to write in their place.
  virtual void RawText(std::string_view Content, std::string *Output) = 0;
  virtual void RawTextEnd(std::string *Output) = 0;

protected:
  ~THTMLTokenHandler() = default;
};

// The text of a token that may run over several blocks: a view into the block while it
// lies in one, the pieces gathered otherwise.
class TTokenText {
public:
  void Begin(const char *at) {
    from_ = at;
    carried_.clear();
    isCarried_ = false;
  }
  // The block ends inside the token.
  void Carry(const char *blockEnd) {
    carried_.append(from_, blockEnd);
    isCarried_ = true;
  }
  // The next block begins inside the token.
  void Resume(const char *blockBegin) { from_ = blockBegin; }
  std::string_view End(const char *at) {
    if (!isCarried_) return {from_, size_t(at - from_)};
    carried_.append(from_, at);
    return carried_;
  }

private:
  const char *from_ = nullptr;
  std::string carried_;
  bool isCarried_ = false;
};

class THTMLTokenizer {
public:
  // WriteOutput: the page is written back (a browsable copy); otherwise it is only read.
  THTMLTokenizer(THTMLTokenHandler &Handler, bool WriteOutput)
      : handler_(Handler), writeOutput_(WriteOutput) {}

  // Appends to Output the text of the block that can no longer change (nothing when the
  // page is only read).
  void ProcessBlock(std::string_view Block, std::string &Output);
  // Ends whatever the page left open and appends the rest; the tokenizer starts afresh.
  void Finish(std::string &Output);

private:
  enum TState : uint8_t {
    tsText = 0,
    tsComment = 1, // comment or declaration
    tsTagName = 2,
    tsBetweenAttributes = 3,
    tsAttributeName = 4,
    tsValue = 5, // the start of a value, or an unquoted one
    tsQuotedValue = 6,
    tsRawText = 7,
  };
  enum TCommentKind : uint8_t { ckOpening, ckComment, ckDeclaration };

  void run(const char *begin, const char *end);
  void beginBlock(const char *begin);
  void endBlock(const char *end);
  bool inValue() const;

  const char *text(const char *p, const char *end);
  const char *tagName(const char *p, const char *end);
  const char *betweenAttributes(const char *p, const char *end);
  const char *attributeName(const char *p, const char *end);
  const char *value(const char *p, const char *end);
  const char *quotedValue(const char *p, const char *end);
  const char *comment(const char *p, const char *end);
  const char *rawText(const char *p, const char *end);

  void beginValue(const char *at);
  void completeValue(const char *at);
  const char *endTag(const char *at);
  void endRawText();
  void sendContent(const char *to);
  void finishComment();
  void endTagAtFinish();

  // The output not yet written is held_ followed by the block from emitFrom_.
  void emitTo(const char *at);
  void holdTo(const char *at);
  void dropTo(const char *at);

  THTMLTokenHandler &handler_;
  const bool writeOutput_;
  std::string *out_ = nullptr; // the output of the call; null when the page is only read

  TState state_ = tsText;
  const char *blockBegin_ = nullptr;
  const char *emitFrom_ = nullptr;
  std::string held_;

  std::string tagName_; // lower-case, cut short past any known name
  bool tagNameStarted_ = false;

  TTokenText attributeName_;
  std::string lowerName_;
  TTokenText value_;
  TValueUse valueUse_ = TValueUse::Skip;
  char quote_ = 0;
  bool valueStarted_ = false;
  std::string replacement_;

  TCommentKind commentKind_ = ckOpening;
  size_t dashes_ = 0;  // dashes just read, opening ones included
  size_t firstGt_ = 0; // where the held comment has its first '>'; npos: none yet
  bool commentsEndAtFirstGt_ = false;

  size_t closeMatch_ = 0;         // how much of "</" and the element name has been read
  const char *matchAt_ = nullptr; // where that began in this block; null: before it
  std::string closeText_;         // the part of it read in earlier blocks
  const char *contentFrom_ = nullptr;
  std::string rawPending_; // content of earlier blocks not yet handed over
};

} // namespace zs::parsing
