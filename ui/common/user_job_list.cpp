#include "ui/common/user_job_list.h"

#include <charconv>
#include <filesystem>

#include "platform/safecall.h"

namespace zs::ui {

using platform::OleCheck;

namespace {

// A corrupt list is kept beside the new one, under a name no earlier move used.
std::string asideName(const std::string &fileName) {
  std::string name = fileName + ".corrupt";
  for (int number = 2; std::filesystem::exists(name); ++number)
    name = fileName + ".corrupt" + std::to_string(number);
  return name;
}

bool sameDirectory(const std::string &a, const std::string &b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  return AbsolutePath(a) == AbsolutePath(b);
}

} // namespace

std::string AbsolutePath(const std::string &path) {
  std::string normal = std::filesystem::absolute(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/')
    normal.pop_back();
  return normal;
}

std::string ProjectDirOf(IGetSiteJob *job) {
  ComPtr<IJobRequest> request;
  OleCheck(job->get_JobRequest(request.put()));
  TLocalFileName dir;
  OleCheck(request->get_ProjectDir(&dir));
  return dir;
}

TUserJobList::TUserJobList(bool NewIfCorrupt, TNote Note)
    : newIfCorrupt_(NewIfCorrupt), note_(std::move(Note)) {
  OleCheck(GetProfiler()->get_UserJobList(&fileName_));
}

void TUserJobList::LockAndLoad() {
  lock_ = std::make_unique<platform::TFileLock>(fileName_ + ".lock", true);
  load();
}

void TUserJobList::load() {
  if (unreadable_ || !std::filesystem::exists(fileName_)) return;
  try {
    OleCheck(GetJobQueue()->LoadAndMerge(fileName_));
  } catch (const std::exception &error) {
    if (!newIfCorrupt_)
      throw EJobListUnreadable("The job list " + fileName_ + " cannot be read: " + error.what());
    unreadable_ = true;
    if (note_)
      note_("The job list " + fileName_ + " could not be read (" + error.what() +
            "); the list starts empty, and the file is kept.");
  }
}

void TUserJobList::Save(bool MergeOthers) {
  if (!lock_) {
    lock_ = std::make_unique<platform::TFileLock>(fileName_ + ".lock", true);
    if (MergeOthers) load();
  }
  if (Jobs().empty()) {
    // An unreadable file stays where it is, for the user to look at.
    if (!unreadable_) std::filesystem::remove(fileName_);
  } else {
    if (unreadable_) {
      const std::string aside = asideName(fileName_);
      std::filesystem::rename(fileName_, aside);
      unreadable_ = false;
      if (note_) note_("The job list that could not be read was kept as " + aside + ".");
    }
    OleCheck(GetJobQueue()->SaveTo(fileName_));
  }
  lock_.reset();
}

std::vector<ComPtr<IGetSiteJob>> TUserJobList::Jobs() const { return QueueJobs(); }

ComPtr<IGetSiteJob> TUserJobList::Find(const std::string &numberOrDirectory) const {
  const std::vector<ComPtr<IGetSiteJob>> jobs = Jobs();
  size_t number = 0;
  const char *end = numberOrDirectory.data() + numberOrDirectory.size();
  const auto parsed = std::from_chars(numberOrDirectory.data(), end, number);
  if (parsed.ec == std::errc() && parsed.ptr == end)
    return number >= 1 && number <= jobs.size() ? jobs[number - 1] : nullptr;
  return FindByDirectory(numberOrDirectory);
}

ComPtr<IGetSiteJob> TUserJobList::FindByDirectory(const std::string &directory) const {
  for (const ComPtr<IGetSiteJob> &job : Jobs())
    if (sameDirectory(ProjectDirOf(job.get()), directory)) return job;
  return nullptr;
}

} // namespace zs::ui
