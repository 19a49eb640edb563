// The user's job list as a front-end uses it: the kernel's job list, loaded from and saved
// to the user's job list file under a lock, so that two front-ends working at once never
// overwrite each other's changes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/file_lock.h"

namespace zs::ui {

// The user's job list file exists but cannot be read.
ZS_EXCEPTION_CLASS(EJobListUnreadable, platform::Exception);

class TUserJobList {
public:
  // Tells the user something worth knowing that is not an error.
  using TNote = std::function<void(const std::string &Text)>;

  // NewIfCorrupt: a file that cannot be read is kept aside (Note says where) and the list
  // starts empty; otherwise such a file is an error, and the file is left as it is.
  TUserJobList(bool NewIfCorrupt, TNote Note);

  const std::string &FileName() const { return fileName_; }

  // Takes the lock and loads the file into the kernel's job list (a missing file is an
  // empty list). The lock is held until Save or Unlock.
  void LockAndLoad();
  // Writes the list, then gives the lock up. When the lock was given up meanwhile, it is
  // taken again, and with MergeOthers the jobs another front-end added meanwhile are kept.
  // An empty list leaves no file. A file that could not be read is kept aside first, never
  // overwritten.
  void Save(bool MergeOthers = true);
  void Unlock() { lock_.reset(); }

  std::vector<ComPtr<IGetSiteJob>> Jobs() const;
  // A job by its number in the list (from 1) or by its project directory; empty when none.
  ComPtr<IGetSiteJob> Find(const std::string &NumberOrDirectory) const;
  // The job whose project directory is Directory; empty when none.
  ComPtr<IGetSiteJob> FindByDirectory(const std::string &Directory) const;

private:
  void load();

  const bool newIfCorrupt_;
  const TNote note_;
  std::string fileName_;
  bool unreadable_ = false; // the file could not be read and is still in its place
  std::unique_ptr<platform::TFileLock> lock_;
};

// The project directory of a job.
std::string ProjectDirOf(IGetSiteJob *Job);
// An absolute, normalised path without a trailing separator.
std::string AbsolutePath(const std::string &Path);

} // namespace zs::ui
