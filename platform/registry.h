// The registry: two hives, each one SQLite database file. Key paths such as
// "Software\Zelvor\Sumbra\Settings" and value names compare without regard to case.
// Several processes may use one hive at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zs::platform {

enum class RegRoot { CurrentUser, LocalMachine };

// The registry's value types, with their numbers.
enum class RegType : uint32_t { String = 1, Binary = 3, DWord = 4 };

struct RegValue {
  RegType Type = RegType::String;
  // String: UTF-8 text without terminator. DWord: 4 bytes, little-endian. Binary: the bytes.
  std::string Data;

  static RegValue FromString(std::string text);
  static RegValue FromDWord(uint32_t value);
  static RegValue FromBinary(std::string bytes);
  // The double word of a DWord value; nullopt for other types or a malformed size.
  std::optional<uint32_t> AsDWord() const;
};

// The file of a hive: ZELVOR_SUMBRA_USER_HIVE / ZELVOR_SUMBRA_MACHINE_HIVE, else
// $XDG_CONFIG_HOME/Zelvor/Sumbra/user.db (else ~/.config/...) and
// /etc/zelvor-sumbra/machine.db. Read at every call, so a changed variable takes effect.
std::string HiveFileName(RegRoot root);

// Reads a value. Never creates the hive, the key or the value: nullopt when any is missing.
// A value written by another process may be read as it was for up to a second.
// A hive that cannot be read (corrupt, not a database) counts as empty: the problem is
// reported once per file to standard error, naming the file, and the file is not touched.
std::optional<RegValue> RegQueryValue(RegRoot root, const std::string &keyPath,
                                      const std::string &valueName);

// Writes a value, creating the hive file, its folder and the key when missing. Raises
// EOSError naming the file when the hive cannot be opened or written (read-only, corrupt).
void RegSetValue(RegRoot root, const std::string &keyPath, const std::string &valueName,
                 const RegValue &value);

// Removes a value; nothing happens when it does not exist. Raises like RegSetValue.
void RegDeleteValue(RegRoot root, const std::string &keyPath, const std::string &valueName);

// Whether a key exists (has been created by a write).
bool RegKeyExists(RegRoot root, const std::string &keyPath);

// Closes the cached connections and forgets the values read (tests switch hive files
// between cases).
void RegCloseHives();

} // namespace zs::platform
