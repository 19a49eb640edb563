#include "parsing/html_tokenizer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zs::parsing {

namespace {

constexpr uint8_t whitespace = 1, greaterThan = 2, equals = 4;

constexpr std::array<uint8_t, 256> characterClasses = [] {
  std::array<uint8_t, 256> classes{};
  for (unsigned char c : {'\0', '\t', '\n', '\r', ' '})
    classes[c] = whitespace;
  classes['>'] = greaterThan;
  classes['='] = equals;
  return classes;
}();

// The first character of [p, end) in one of the classes; end when none is.
const char *findClass(const char *p, const char *end, uint8_t classes) {
  while (p < end && !(characterClasses[static_cast<unsigned char>(*p)] & classes))
    ++p;
  return p;
}

const char *find(const char *p, const char *end, char c) {
  const void *found = std::memchr(p, c, size_t(end - p));
  return found ? static_cast<const char *>(found) : end;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char toLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

// Longer than any element name the handler knows, "/plaintext" included: a longer name is
// kept only this far, so that a name of any length costs no memory.
constexpr size_t maxTagName = 16;

constexpr size_t npos = std::string::npos;

// Stands for the block of Finish, which has no text of its own.
constexpr const char *noText = "";

} // namespace

bool IsHTMLWhitespace(char c) {
  return characterClasses[static_cast<unsigned char>(c)] & whitespace;
}

void THTMLTokenizer::ProcessBlock(std::string_view Block, std::string &Output) {
  out_ = writeOutput_ ? &Output : nullptr;
  run(Block.data(), Block.data() + Block.size());
}

void THTMLTokenizer::run(const char *begin, const char *end) {
  beginBlock(begin);
  const char *p = begin;
  while (p < end) {
    switch (state_) {
    case tsText: p = text(p, end); break;
    case tsComment: p = comment(p, end); break;
    case tsTagName: p = tagName(p, end); break;
    case tsBetweenAttributes: p = betweenAttributes(p, end); break;
    case tsAttributeName: p = attributeName(p, end); break;
    case tsValue: p = value(p, end); break;
    case tsQuotedValue: p = quotedValue(p, end); break;
    case tsRawText: p = rawText(p, end); break;
    }
  }
  endBlock(end);
}

bool THTMLTokenizer::inValue() const {
  return (state_ == tsValue && valueStarted_) || state_ == tsQuotedValue;
}

void THTMLTokenizer::beginBlock(const char *begin) {
  blockBegin_ = emitFrom_ = begin;
  if (state_ == tsAttributeName) attributeName_.Resume(begin);
  if (inValue() && valueUse_ != TValueUse::Skip) value_.Resume(begin);
  contentFrom_ = begin;
  matchAt_ = nullptr;
}

void THTMLTokenizer::endBlock(const char *end) {
  if (state_ == tsAttributeName) attributeName_.Carry(end);
  if (inValue() && valueUse_ != TValueUse::Skip) value_.Carry(end);
  switch (state_) {
  case tsComment:
    // Held whole: a comment that never closes is read again as HTML at the end.
    holdTo(end);
    break;
  case tsRawText: {
    // What may still be the closing tag waits for the next block; the rest goes on.
    const char *contentEnd = closeMatch_ == 0 ? end : matchAt_ ? matchAt_ : blockBegin_;
    sendContent(contentEnd);
    if (closeMatch_ > 0) closeText_.append(contentEnd, end);
    emitFrom_ = end;
    break;
  }
  default:
    if (inValue() && valueUse_ == TValueUse::Rewrite && out_)
      holdTo(end);
    else
      emitTo(end);
  }
}

void THTMLTokenizer::emitTo(const char *at) {
  if (out_) {
    out_->append(held_);
    out_->append(emitFrom_, size_t(at - emitFrom_));
  }
  held_.clear();
  emitFrom_ = at;
}

void THTMLTokenizer::holdTo(const char *at) {
  held_.append(emitFrom_, size_t(at - emitFrom_));
  emitFrom_ = at;
}

void THTMLTokenizer::dropTo(const char *at) {
  held_.clear();
  emitFrom_ = at;
}

const char *THTMLTokenizer::text(const char *p, const char *end) {
  const char *lt = find(p, end, '<');
  if (lt == end) return end;
  state_ = tsTagName;
  tagName_.clear();
  tagNameStarted_ = false;
  return lt + 1;
}

const char *THTMLTokenizer::tagName(const char *p, const char *end) {
  if (!tagNameStarted_) {
    if (*p == '!') {
      // Everything before is final; from here the text is held, so that its first '>'
      // can be found again if the comment never closes.
      emitTo(p);
      state_ = tsComment;
      commentKind_ = ckOpening;
      dashes_ = 0;
      firstGt_ = npos;
      return p + 1;
    }
    if (*p != '/' && !isAsciiLetter(*p)) {
      // Not a tag: the character is text again (a '<' starts the next tag at once).
      state_ = tsText;
      return p;
    }
    tagNameStarted_ = true;
  }
  const char *nameEnd = findClass(p, end, whitespace | greaterThan);
  const size_t kept = tagName_.size();
  const size_t room = kept <= maxTagName ? maxTagName + 1 - kept : 0;
  tagName_.append(p, std::min(room, size_t(nameEnd - p)));
  for (size_t i = kept; i < tagName_.size(); ++i)
    tagName_[i] = toLower(tagName_[i]);
  if (nameEnd == end) return end;
  handler_.TagName(tagName_);
  if (*nameEnd == '>') return endTag(nameEnd);
  state_ = tsBetweenAttributes;
  return nameEnd + 1;
}

const char *THTMLTokenizer::betweenAttributes(const char *p, const char *end) {
  while (p < end && IsHTMLWhitespace(*p))
    ++p;
  if (p == end) return end;
  if (*p == '>') return endTag(p);
  // Whatever it is, the character is the first of the name ('=' and quotes included).
  state_ = tsAttributeName;
  attributeName_.Begin(p);
  return p + 1;
}

const char *THTMLTokenizer::attributeName(const char *p, const char *end) {
  const char *nameEnd = findClass(p, end, whitespace | greaterThan | equals);
  if (nameEnd == end) return end;
  std::string_view name = attributeName_.End(nameEnd);
  if (*nameEnd == '=') {
    lowerName_.resize(name.size());
    for (size_t i = 0; i < name.size(); ++i)
      lowerName_[i] = toLower(name[i]);
    valueUse_ = handler_.AttributeName(lowerName_);
    state_ = tsValue;
    valueStarted_ = false;
    return nameEnd + 1;
  }
  handler_.AttributeWithoutValue(name);
  if (*nameEnd == '>') return endTag(nameEnd);
  state_ = tsBetweenAttributes;
  return nameEnd + 1;
}

const char *THTMLTokenizer::value(const char *p, const char *end) {
  if (!valueStarted_) {
    if (*p == '"' || *p == '\'' || *p == '`') {
      quote_ = *p;
      state_ = tsQuotedValue;
      beginValue(p + 1);
      return p + 1;
    }
    quote_ = 0;
    valueStarted_ = true;
    beginValue(p);
  }
  const char *valueEnd = findClass(p, end, whitespace | greaterThan);
  if (valueEnd == end) return end;
  completeValue(valueEnd);
  if (*valueEnd == '>') return endTag(valueEnd);
  state_ = tsBetweenAttributes;
  return valueEnd + 1;
}

const char *THTMLTokenizer::quotedValue(const char *p, const char *end) {
  const char *valueEnd = find(p, end, quote_);
  if (valueEnd == end) return end;
  completeValue(valueEnd);
  state_ = tsBetweenAttributes;
  return valueEnd + 1;
}

void THTMLTokenizer::beginValue(const char *at) {
  if (valueUse_ == TValueUse::Skip) return;
  value_.Begin(at);
  // The text before the value is final; the value itself may be replaced.
  if (valueUse_ == TValueUse::Rewrite && out_) emitTo(at);
}

void THTMLTokenizer::completeValue(const char *at) {
  if (valueUse_ == TValueUse::Skip) return;
  const bool replaceable = valueUse_ == TValueUse::Rewrite && out_;
  replacement_.clear();
  if (handler_.AttributeValue(value_.End(at), quote_, replaceable ? &replacement_ : nullptr) &&
      replaceable) {
    // The value is all that is not yet written: the new one takes its place.
    dropTo(at);
    out_->append(replacement_);
  }
}

const char *THTMLTokenizer::endTag(const char *at) {
  if (!handler_.TagEnd()) {
    state_ = tsText;
    return at + 1;
  }
  emitTo(at + 1);
  state_ = tsRawText;
  closeMatch_ = 0;
  matchAt_ = nullptr;
  contentFrom_ = at + 1;
  return at + 1;
}

const char *THTMLTokenizer::comment(const char *p, const char *end) {
  if (commentKind_ == ckOpening) {
    // Two dashes right after "<!" make a comment; anything else a declaration.
    while (p < end && commentKind_ == ckOpening) {
      if (*p != '-') {
        commentKind_ = ckDeclaration;
        break;
      }
      ++p;
      if (++dashes_ == 2) commentKind_ = ckComment;
    }
    return p;
  }
  const char *gt = find(p, end, '>');
  if (gt == end) {
    const char *dashesFrom = end;
    while (dashesFrom > p && dashesFrom[-1] == '-')
      --dashesFrom;
    dashes_ = dashesFrom == p ? dashes_ + size_t(end - p) : size_t(end - dashesFrom);
    return end;
  }
  if (firstGt_ == npos) firstGt_ = held_.size() + size_t(gt - emitFrom_);
  bool ends = commentKind_ == ckDeclaration || commentsEndAtFirstGt_;
  if (!ends) {
    const char *dashesFrom = gt;
    while (dashesFrom > p && dashesFrom[-1] == '-')
      --dashesFrom;
    const size_t run = size_t(gt - dashesFrom) + (dashesFrom == p ? dashes_ : 0);
    ends = run >= 2;
  }
  if (!ends) {
    dashes_ = 0;
    return gt + 1;
  }
  if (!out_) dropTo(gt + 1);
  state_ = tsText;
  return gt + 1;
}

const char *THTMLTokenizer::rawText(const char *p, const char *end) {
  if (closeMatch_ == 0) {
    const char *lt = find(p, end, '<');
    if (lt == end) return end;
    matchAt_ = lt;
    closeMatch_ = 1;
    return lt + 1;
  }
  if (closeMatch_ == 2 + tagName_.size()) {
    // Whatever follows the name ends the element; it belongs to the closing tag.
    endRawText();
    return p;
  }
  const bool matches = closeMatch_ == 1 ? *p == '/' : toLower(*p) == tagName_[closeMatch_ - 2];
  if (matches) {
    ++closeMatch_;
    return p + 1;
  }
  // It was content after all. The character is read again: a '<' starts a new match.
  rawPending_ += closeText_;
  closeText_.clear();
  closeMatch_ = 0;
  matchAt_ = nullptr;
  return p;
}

void THTMLTokenizer::sendContent(const char *to) {
  std::string_view content(contentFrom_, size_t(to - contentFrom_));
  if (!rawPending_.empty()) content = rawPending_.append(content);
  if (!content.empty()) handler_.RawText(content, out_);
  rawPending_.clear();
  contentFrom_ = to;
}

void THTMLTokenizer::endRawText() {
  const char *closeFrom = matchAt_ ? matchAt_ : blockBegin_;
  sendContent(closeFrom);
  handler_.RawTextEnd(out_);
  // The closing tag goes on as a tag whose text is not yet written.
  held_.swap(closeText_);
  closeText_.clear();
  emitFrom_ = closeFrom;
  closeMatch_ = 0;
  matchAt_ = nullptr;
  tagName_.insert(0, 1, '/');
  handler_.TagName(tagName_);
  state_ = tsBetweenAttributes;
}

void THTMLTokenizer::Finish(std::string &Output) {
  out_ = writeOutput_ ? &Output : nullptr;
  beginBlock(noText);
  if (state_ == tsComment) finishComment();
  switch (state_) {
  case tsAttributeName:
    handler_.AttributeWithoutValue(attributeName_.End(noText));
    endTagAtFinish();
    break;
  case tsValue:
  case tsQuotedValue:
    // The value is judged as read so far; its text, held back, is written as it was.
    if (valueUse_ != TValueUse::Skip) {
      if (inValue())
        handler_.AttributeValue(value_.End(noText), quote_, nullptr);
      else
        handler_.AttributeValue({}, 0, nullptr);
    }
    endTagAtFinish();
    break;
  case tsBetweenAttributes: endTagAtFinish(); break;
  case tsRawText:
    rawPending_ += closeText_;
    closeText_.clear();
    sendContent(noText);
    handler_.RawTextEnd(out_);
    break;
  default: break;
  }
  emitTo(noText);
  state_ = tsText;
  commentsEndAtFirstGt_ = false;
  closeMatch_ = 0;
  rawPending_.clear();
  closeText_.clear();
}

// A comment or declaration that never closed: its text up to its first '>' stays as it
// is and the rest is read again as HTML. No later comment can close then (its "-->" would
// have closed this one), so from here on comments end at their first '>': the rest is read
// only once, and whatever it leaves open is ended by the caller.
void THTMLTokenizer::finishComment() {
  while (state_ == tsComment) {
    std::string comment;
    comment.swap(held_);
    const size_t firstGt = firstGt_;
    state_ = tsText;
    if (firstGt == npos) {
      if (out_) out_->append(comment);
      break;
    }
    if (out_) out_->append(comment, 0, firstGt + 1);
    commentsEndAtFirstGt_ = true;
    run(comment.data() + firstGt + 1, comment.data() + comment.size());
    beginBlock(noText);
  }
}

void THTMLTokenizer::endTagAtFinish() {
  const bool rawText = handler_.TagEnd();
  emitTo(noText);
  if (rawText) handler_.RawTextEnd(out_);
  state_ = tsText;
}

} // namespace zs::parsing
