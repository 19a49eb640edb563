#include "links/link_journal.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/safecall.h"

namespace zs::links {

namespace {

using platform::OleCheck;

constexpr char lineEscape = '|';
constexpr char paramEscape = '\\';
constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view recordEnd = "\r\n\r\n";
constexpr std::string_view nameValueSeparator = "\\=";
constexpr std::string_view pairSeparator = "\\/";

// A line this long is no line of a journal but damage; its record is skipped without
// holding the line in memory.
constexpr size_t maxLineLength = size_t(16) << 20;

// Writes a value with the escape character E. CR LF is En and an E stands for itself as
// E followed by `self`. Lines pass `self` = E and also escape a lone CR or LF, which would
// break the line. Parameters pass 'b': a doubled backslash next to the separators \= and
// \/ could be read two ways, \b cannot.
void appendEscaped(std::string_view value, char escape, char self, std::string &out) {
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == escape) {
      out += escape;
      out += self;
    } else if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
      out += escape;
      out += 'n';
      ++i;
    } else if (escape == lineEscape && (c == '\r' || c == '\n')) {
      out += escape;
      out += c == '\r' ? 'r' : 'f';
    } else {
      out += c;
    }
  }
}

void appendLine(std::string_view value, std::string &out) {
  if (value.empty())
    out += lineEscape;
  else
    appendEscaped(value, lineEscape, lineEscape, out);
  out += lineEnd;
}

// What a line escape stands for, by the character after the escape; nullptr for none (the
// escape and that character are then kept as they are).
const char *lineEscapeMeaning(char code) {
  switch (code) {
  case lineEscape: return "|";
  case 'n': return "\r\n";
  case 'r': return "\r";
  case 'f': return "\n";
  default: return nullptr;
  }
}

// Replaces `value` by the unescaped line.
void unescapeLine(std::string_view line, std::string &value) {
  value.clear();
  if (line.size() == 1 && line[0] == lineEscape) return;
  for (size_t i = 0; i < line.size(); ++i) {
    const char *meaning =
        line[i] == lineEscape && i + 1 < line.size() ? lineEscapeMeaning(line[i + 1]) : nullptr;
    if (meaning) {
      value += meaning;
      ++i;
    } else {
      value += line[i];
    }
  }
}

void appendParam(std::string_view value, std::string &out) {
  if (value.empty())
    out += paramEscape;
  else
    appendEscaped(value, paramEscape, 'b', out);
}

std::string paramsText(IParams *params) {
  std::string text;
  if (!params) return text;
  int32_t count = 0;
  OleCheck(params->get_NamesCount(&count));
  std::string name, value;
  for (int32_t i = 0; i < count; ++i) {
    OleCheck(params->get_Name(i, &name));
    OleCheck(params->get_ValueByNameIndex(i, &value));
    if (i > 0) text += pairSeparator;
    appendParam(name, text);
    text += nameValueSeparator;
    appendParam(value, text);
  }
  return text;
}

// Reads a parameters text back. Besides what the writer writes, it reads the files of the
// earlier rule, which doubled a backslash: a doubled backslash is one backslash, unless it
// opens a name or value and a separator follows, where it is that rule's mark of an empty
// name or value. An escape-free text reads as it always did. An empty text gives no
// parameters; nullopt when a pair lacks its \=.
std::optional<ComPtr<IParams>> parseParamsText(std::string_view text) {
  ComPtr<IParams> params;
  if (text.empty()) return params;
  params = CreateParams();
  std::string name, value;
  std::string *field = &name;
  bool fieldStart = true, inValue = false;
  auto store = [&] {
    OleCheck(params->put_Value(name, value));
    name.clear();
    value.clear();
    field = &name;
    inValue = false;
    fieldStart = true;
  };
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != paramEscape) {
      *field += c;
      fieldStart = false;
      ++i;
      continue;
    }
    std::string_view rest = text.substr(i);
    bool emptyMark =
        fieldStart && (rest.size() == 1 || (rest.size() >= 3 && rest[1] == paramEscape &&
                                            (rest[2] == '=' || rest[2] == '/')));
    fieldStart = false;
    if (emptyMark) {
      ++i;
      continue;
    }
    char code = rest.size() > 1 ? rest[1] : '\0';
    if (code == '=' && !inValue) {
      field = &value;
      inValue = fieldStart = true;
    } else if (code == '/') {
      if (!inValue) return std::nullopt;
      store();
    } else if (code == 'b' || code == paramEscape) {
      *field += paramEscape;
    } else if (code == 'n') {
      *field += "\r\n";
    } else {
      // Not an escape: the backslash is kept, and so is a second \= inside a value, as the
      // earlier rule kept everything after the first one.
      *field += c;
      ++i;
      continue;
    }
    i += 2;
  }
  if (!inValue) return std::nullopt;
  store();
  return params;
}

// A decimal integer with an optional sign, within [low, high].
std::optional<int32_t> parseNumber(std::string_view line, int32_t low, int32_t high) {
  if (line.size() > 1 && line[0] == '+' && line[1] != '-') line.remove_prefix(1);
  int64_t value = 0;
  auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (error != std::errc() || end != line.data() + line.size() || line.empty() || value < low ||
      value > high)
    return std::nullopt;
  return int32_t(value);
}

void appendNumber(int64_t value, std::string &out) {
  char digits[24];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
  out += lineEnd;
}

// Gathers the lines of one record at a time and replays the valid ones.
class TRecordReader {
public:
  explicit TRecordReader(const TJournalReplay &replay) : replay_(replay) {}

  // A line without its line end; tooLong when it was too long to keep.
  void Line(std::string_view line, bool tooLong) {
    if (line.empty() && !tooLong) {
      if (open_) finish();
      return;
    }
    if (!open_) start();
    if (field_ <= 9) ++field_;
    if (tooLong) valid_ = false;
    if (!valid_) return;
    TLinkDescription &desc = record_.LinkDesc;
    switch (field_) {
    case 1: unescapeLine(line, desc.URL); break;
    case 2: {
      auto type = parseNumber(line, ltUserEntered, ltOther);
      valid_ = type.has_value();
      if (type) desc.LinkType = TLinkType(*type);
      break;
    }
    case 3: unescapeLine(line, desc.Tag); break;
    case 4: {
      unescapeLine(line, text_);
      auto params = parseParamsText(text_);
      valid_ = params.has_value();
      if (params) desc.Params = std::move(*params);
      break;
    }
    case 5: {
      auto level = parseNumber(line, INT32_MIN, INT32_MAX);
      valid_ = level.has_value();
      if (level) record_.Level = *level;
      break;
    }
    case 6: {
      auto state = parseNumber(line, lsPure, lsRejected);
      valid_ = state.has_value();
      // A fetch that was running when the journal ended did not finish.
      if (state) record_.State = *state == lsInUse ? lsPure : TLinkState(*state);
      stateRead_ = true;
      break;
    }
    case 7: unescapeLine(line, validators_.ETag); break;
    case 8: unescapeLine(line, validators_.LastModified); break;
    case 9: {
      int64_t fetchedAt = 0;
      auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), fetchedAt);
      if (error == std::errc() && end == line.data() + line.size() && !line.empty()) {
        validators_.FetchedAt = fetchedAt;
        desc.Validators = std::make_shared<const TValidators>(validators_);
      }
      break;
    }
    default: break; // lines beyond these are not part of the format
    }
  }

  // The end of the file ends a record whose state line was read, like an empty line.
  void End() {
    if (open_) finish();
  }

private:
  void start() {
    open_ = valid_ = true;
    stateRead_ = false;
    field_ = 0;
    record_.LinkDesc.URL.clear();
    record_.LinkDesc.LinkType = ltOther;
    record_.LinkDesc.Tag.clear();
    record_.LinkDesc.Params = nullptr;
    record_.LinkDesc.Validators = nullptr;
    validators_ = {};
    record_.Level = 0;
    record_.State = lsPure;
  }

  void finish() {
    open_ = false;
    if (valid_ && stateRead_ && !record_.LinkDesc.URL.empty()) replay_(record_);
  }

  const TJournalReplay &replay_;
  TJournalRecord record_;
  std::string text_; // the parameters line, unescaped
  TValidators validators_;
  bool open_ = false, valid_ = true, stateRead_ = false;
  int field_ = 0;
};

std::string_view withoutCR(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// What a file that does not end with a finished record needs so that the next record is
// not read as the missing lines of the last one (cut short by a power cut during a write):
// the end of its last line and an empty line.
std::string_view closingOf(std::string_view tail) {
  if (tail.empty() || tail == recordEnd) return {};
  if (tail.back() == '\n') return lineEnd;
  if (tail.back() == '\r') return "\n\r\n";
  return recordEnd;
}

[[noreturn]] void failFile(const char *what, const std::string &fileName, int code) {
  throw platform::EOSError(std::string(what) + " \"" + fileName + "\". " + std::strerror(code),
                           code);
}

} // namespace

void FormatJournalRecord(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State,
                         std::string &out) {
  appendLine(LinkDesc.URL, out);
  appendNumber(LinkDesc.LinkType, out);
  appendLine(LinkDesc.Tag, out);
  appendLine(paramsText(LinkDesc.Params.get()), out);
  appendNumber(Level, out);
  appendNumber(State, out);
  if (const auto &validators = LinkDesc.Validators) {
    appendLine(validators->ETag, out);
    appendLine(validators->LastModified, out);
    appendNumber(validators->FetchedAt, out);
  }
  out += recordEnd;
}

void TLinkJournalWriter::Append(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State) {
  record_.clear();
  if (file_.Open()) record_ = closingOf(file_.Tail(recordEnd.size()));
  FormatJournalRecord(LinkDesc, Level, State, record_);
  file_.Append(record_);
}

void ReadLinkJournal(const std::string &fileName, const TJournalReplay &replay) {
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(fileName.c_str(), "rb"),
                                                        &std::fclose);
  if (!file) failFile("Cannot open file", fileName, errno);
  TRecordReader reader(replay);
  std::vector<char> buffer(size_t(256) << 10);
  // The start of a line that runs on into the next block.
  std::string carried;
  bool tooLong = false;
  while (size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get())) {
    std::string_view block(buffer.data(), got);
    while (!block.empty()) {
      size_t end = block.find('\n');
      std::string_view piece = block.substr(0, end);
      if (end == std::string_view::npos) {
        tooLong = tooLong || carried.size() + piece.size() > maxLineLength;
        if (tooLong)
          carried.clear();
        else
          carried += piece;
        break;
      }
      block.remove_prefix(end + 1);
      if (carried.empty() && !tooLong) {
        reader.Line(withoutCR(piece), false);
        continue;
      }
      tooLong = tooLong || carried.size() + piece.size() > maxLineLength;
      if (!tooLong) carried += piece;
      reader.Line(withoutCR(carried), tooLong);
      carried.clear();
      tooLong = false;
    }
  }
  if (std::ferror(file.get())) failFile("Cannot read file", fileName, errno);
  if (!carried.empty() || tooLong) reader.Line(withoutCR(carried), tooLong);
  reader.End();
}

} // namespace zs::links
