// The local file of a fetch as it is written. A new file is written in place: until its link
// counts as copied, a torn one is fetched again. A file that is there already (a refresh, a
// retry) is written beside it and put in its place only once whole, so that the copy never
// holds a torn or empty file where a good one was.
#pragma once

#include <memory>
#include <string>

#include "platform/atomic_file.h"

namespace zs::retrieval {

class TLocalFileWriter {
public:
  // Creates the file's folders and the file (or its replacement). EOSError when it cannot.
  explicit TLocalFileWriter(std::string FileName);
  ~TLocalFileWriter();
  TLocalFileWriter(const TLocalFileWriter &) = delete;
  TLocalFileWriter &operator=(const TLocalFileWriter &) = delete;

  // EOSError when the bytes cannot be written (a full disk).
  void Write(const std::string &Bytes);
  // The file is whole and in its place when this returns; EOSError otherwise, and a file
  // that was there is then as it was.
  void Finish();

private:
  std::string fileName_;
  std::unique_ptr<platform::TFileReplacement> replacement_; // when a file was there
  int file_ = -1;                                           // the open file, until Finish
  [[noreturn]] void fail(int error) const;
};

} // namespace zs::retrieval
