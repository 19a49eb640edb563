// A file that records are appended to, for journals that must survive the end of the
// process. Each Append is one write to the end of the file, so when it returns the record is
// in the system's cache: a process killed right after loses nothing, and a power cut can at
// worst tear the last record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exceptions.h"

namespace zs::platform {

class TAppendFile {
public:
  // Nothing is opened before the first Open.
  explicit TAppendFile(std::string fileName);
  ~TAppendFile();
  TAppendFile(const TAppendFile &) = delete;
  TAppendFile &operator=(const TAppendFile &) = delete;

  const std::string &FileName() const { return fileName_; }

  // Makes sure the file at the name is open for appending, creating it when missing. The
  // file stays open between records; after RemoveAppendFile, when the name no longer leads
  // to the open file, the file at the name is opened instead. True when this call opened a
  // file, false when the open one was still the right one. EOSError when it cannot.
  bool Open();
  // Up to the last `count` bytes of the open file.
  std::string Tail(size_t count);
  // Appends the bytes to the open file in one write (a short write is continued). EOSError
  // when the system refuses; the file is then closed, so that the next Open looks again.
  void Append(std::string_view bytes);

private:
  void close();
  [[noreturn]] void fail(const char *what, int code);

  std::string fileName_;
  int fd_ = -1;
  // The identity of the open file, to notice when the name leads elsewhere.
  uint64_t device_ = 0, inode_ = 0;
  uint64_t removalsSeen_ = 0; // RemoveAppendFile calls when the name was last looked at
};

// Deletes a file that a TAppendFile of this process may hold open, so that the next Open of
// each looks at its name again instead of appending to the deleted file. Looking only then
// spares a system call for every record. EOSError when the system refuses; a file that does
// not exist is no error.
void RemoveAppendFile(const std::string &fileName);

} // namespace zs::platform
