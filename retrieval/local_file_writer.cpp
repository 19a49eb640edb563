#include "retrieval/local_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/exceptions.h"

namespace zs::retrieval {

namespace {

int openNew(const std::string &name) {
  return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

} // namespace

TLocalFileWriter::TLocalFileWriter(std::string FileName) : fileName_(std::move(FileName)) {
  namespace fs = std::filesystem;
  // Most files of a copy are new and their folder is there: one call makes them. A missing
  // folder is made, and a file that is there gets a replacement.
  file_ = openNew(fileName_);
  int error = file_ < 0 ? errno : 0;
  if (error == ENOENT) {
    const fs::path path(fileName_);
    std::error_code made;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), made);
    file_ = made ? -1 : openNew(fileName_);
    error = made ? made.value() : file_ < 0 ? errno : 0;
  }
  if (error == EEXIST) {
    std::error_code missing;
    if (fs::is_regular_file(fileName_, missing))
      replacement_ = std::make_unique<platform::TFileReplacement>(fileName_);
    file_ = ::open(replacement_ ? replacement_->TempName().c_str() : fileName_.c_str(),
                   O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    error = file_ < 0 ? errno : 0;
  }
  if (error)
    throw platform::EOSError("Cannot create file \"" + fileName_ + "\". " + std::strerror(error),
                             error);
}

TLocalFileWriter::~TLocalFileWriter() {
  if (file_ >= 0) ::close(file_);
}

void TLocalFileWriter::Write(const std::string &Bytes) {
  for (size_t done = 0; done < Bytes.size();) {
    const ssize_t written = ::write(file_, Bytes.data() + done, Bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail(written < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(written);
  }
}

void TLocalFileWriter::Finish() {
  // A file system that writes late (over a network) tells of a full disk only here.
  const int closed = ::close(file_);
  file_ = -1;
  if (closed != 0) fail(errno);
  if (replacement_) replacement_->Commit();
}

void TLocalFileWriter::fail(int error) const {
  throw platform::EOSError("Cannot write file \"" + fileName_ + "\". " + std::strerror(error),
                           error);
}

} // namespace zs::retrieval
