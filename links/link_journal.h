// The journal of a link list: a text file with one record per link added and per outcome,
// which replayed into an empty list restores it, so that an interrupted job resumes.
//
// A record is six lines and two empty lines, CR LF ended: the URL, the link type, the tag,
// the parameters, the level and the state; the record of a copied link may add three lines
// after the state, its ETag, Last-Modified and time of fetch (readers that know only six
// lines pass over them). Text lines are escaped with '|': a '|' is
// doubled, CR LF becomes |n, a CR or LF alone |r or |f, and an empty value is a lone '|'.
// The parameters are name\=value pairs joined by \/, where a backslash in a name or value
// becomes \b, CR LF \n, and an empty name or value is a lone backslash.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kernel/interfaces.h"
#include "platform/append_file.h"

namespace zs::links {

struct TJournalRecord {
  TLinkDescription LinkDesc;
  int32_t Level = 0;
  TLinkState State = lsPure;
};

// Appends the text of one record to `out`.
void FormatJournalRecord(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State,
                         std::string &out);

// Appends records to a journal file, creating it when missing.
class TLinkJournalWriter {
public:
  explicit TLinkJournalWriter(std::string fileName) : file_(std::move(fileName)) {}

  const std::string &FileName() const { return file_.FileName(); }
  // The record is in the file when this returns; EOSError when the file cannot be written.
  void Append(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State);

private:
  platform::TAppendFile file_;
  std::string record_; // reused from record to record
};

using TJournalReplay = std::function<void(const TJournalRecord &Record)>;

// Calls replay for every valid record of the file, in file order, with lsInUse given as
// lsPure. A record is valid when its URL is not empty, its numbers are decimal integers in
// range (type 0 to 9, state 0 to 4), its parameters parse, and its state line was read (a
// record torn at the end of the file lacks it). Validators whose time is no number, or that
// lack a line, are left out of a record that is valid otherwise. Invalid records are skipped and
// reading goes on with the next one. EOSError when the file cannot be read.
void ReadLinkJournal(const std::string &fileName, const TJournalReplay &replay);

} // namespace zs::links
