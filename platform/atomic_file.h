// Replacing a file that the program cannot afford to lose. The new content goes to a
// temporary file in the same folder, which is flushed to the disk and then renamed over the
// old file: a crash or a power cut at any moment leaves either the old file or the new one
// whole, never a torn one, and a failed write leaves the old file as it was.
#pragma once

#include <string>

namespace zs::platform {

class TFileReplacement {
public:
  // Creates the temporary file, empty, beside FileName. EOSError when it cannot.
  explicit TFileReplacement(std::string FileName);
  // Removes the temporary file unless Commit put it in place.
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement &) = delete;
  TFileReplacement &operator=(const TFileReplacement &) = delete;

  // Where the writer puts the new content, by name.
  const std::string &TempName() const { return tempName_; }
  // Flushes the temporary file to the disk and renames it over FileName, taking the old
  // file's permissions. EOSError when a step fails; the old file is then untouched.
  void Commit();

  // Removes the temporary files that replacements in Folder and below left when the program
  // was killed before they were done; an error only leaves them.
  static void RemoveUnfinished(const std::string &Folder);

private:
  std::string fileName_;
  std::string tempName_;
  bool committed_ = false;
};

} // namespace zs::platform
