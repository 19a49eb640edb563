// The rules a project directory must meet on this platform: where it may lie, and when two
// paths name the same directory.
#pragma once

#include <string>

namespace zs::kernel {

// The path is absolute, at least 3 characters long, and its first component (/home of
// /home/ann/site) is an existing directory: the stand-in for a path that begins with the
// name of an existing disk.
bool BeginsWithCorrectDiskName(const std::string &Path);

// Two existing paths are the same directory when they are the same file system object. When
// either does not exist yet, their texts decide: resolved as far as they exist, lexically
// normalised, without a trailing slash, and compared without regard to case.
bool IsSameDirectory(const std::string &A, const std::string &B);

} // namespace zs::kernel
