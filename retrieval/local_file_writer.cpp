#include "retrieval/local_file_writer.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/exceptions.h"

namespace zs::retrieval {

TLocalFileWriter::TLocalFileWriter(std::string FileName) : fileName_(std::move(FileName)) {
  namespace fs = std::filesystem;
  fs::path path(fileName_);
  std::error_code error;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
  if (!error) {
    std::error_code missing; // a file that is not there is written in place
    if (fs::is_regular_file(path, missing))
      replacement_ = std::make_unique<platform::TFileReplacement>(fileName_);
    file_.open(replacement_ ? replacement_->TempName() : fileName_,
               std::ios::binary | std::ios::trunc);
    if (!file_) error = std::error_code(errno, std::generic_category());
  }
  if (error)
    throw platform::EOSError("Cannot create file \"" + fileName_ + "\". " + error.message(),
                             error.value());
}

void TLocalFileWriter::Write(const std::string &Bytes) {
  file_.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!file_) throw platform::EOSError("Cannot write file \"" + fileName_ + "\"", EIO);
}

void TLocalFileWriter::Finish() {
  // The last bytes reach the disk only now: a full disk shows here.
  file_.close();
  if (file_.fail()) throw platform::EOSError("Cannot write file \"" + fileName_ + "\"", EIO);
  if (replacement_) replacement_->Commit();
}

} // namespace zs::retrieval
