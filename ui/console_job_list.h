// The user's job list as the console uses it: the kernel's job list, loaded from and saved
// to the user's job list file under a lock, so that two consoles working at once never
// overwrite each other's changes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/file_lock.h"

namespace zs::ui {

class TConsoleJobList {
public:
  // NewIfCorrupt: a file that cannot be read is moved aside and the list starts empty;
  // otherwise such a file is an error, and the file is left as it is.
  explicit TConsoleJobList(bool newIfCorrupt);

  const std::string &FileName() const { return fileName_; }

  // Takes the lock and loads the file into the kernel's job list (a missing file is an
  // empty list). The lock is held until Save or Unlock.
  void LockAndLoad();
  // Writes the list (taking the lock again when it was given up, and merging the jobs
  // another console added meanwhile), then gives the lock up.
  void Save();
  void Unlock() { lock_.reset(); }

  std::vector<ComPtr<IGetSiteJob>> Jobs() const;
  // A job by its number in the list (from 1) or by its project directory; empty when none.
  ComPtr<IGetSiteJob> Find(const std::string &numberOrDirectory) const;
  // The job whose project directory is Directory; empty when none.
  ComPtr<IGetSiteJob> FindByDirectory(const std::string &directory) const;

private:
  void load(bool missingIsEmpty);

  const bool newIfCorrupt_;
  std::string fileName_;
  std::unique_ptr<platform::TFileLock> lock_;
};

// The project directory of a job.
std::string ProjectDirOf(IGetSiteJob *job);
// An absolute, normalised path without a trailing separator.
std::string AbsolutePath(const std::string &path);

} // namespace zs::ui
