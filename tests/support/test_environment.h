// What every test program shares: temporary folders and private settings hives.
#pragma once

#include <string>

namespace zs::testing {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  // The folder, with a trailing slash.
  const std::string &Path() const { return path_; }
  // A name inside the folder.
  std::string File(const std::string &name) const { return path_ + name; }

private:
  std::string path_;
};

// Points both settings hives at new files of a private folder for the life of the object,
// and back at the previous files afterwards.
class ScopedHives {
public:
  ScopedHives();
  ~ScopedHives();
  ScopedHives(const ScopedHives &) = delete;
  ScopedHives &operator=(const ScopedHives &) = delete;

  const std::string &UserHive() const { return userHive_; }
  const std::string &MachineHive() const { return machineHive_; }

private:
  TempDir dir_;
  std::string userHive_, machineHive_;
  std::string oldUserHive_, oldMachineHive_;
};

// Writes a file with the given bytes, creating nothing else.
void WriteFile(const std::string &fileName, const std::string &bytes);
// Reads a whole file; empty when it does not exist.
std::string ReadFile(const std::string &fileName);

// UTF-16 text as a little-endian file holds it, after its byte order mark.
inline std::string Utf16LE(const std::u16string &text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

} // namespace zs::testing
