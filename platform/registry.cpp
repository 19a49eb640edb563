#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

#include "platform/exceptions.h"

namespace zs::platform {

namespace {

// The layout of a hive file, kept in PRAGMA user_version so that a later version can migrate
// it and an older one refuses a newer layout instead of misreading it. createSchema sets it.
constexpr int formatVersion = 1;

// Keys are rows of their own so that a key written once exists even without values, like a
// registry key. NOCASE gives the registry's case-blind comparison of paths and names.
constexpr const char *createSchema = R"(
CREATE TABLE keys (
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE key_values (
  key_id INTEGER NOT NULL REFERENCES keys (id),
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY (key_id, name)) WITHOUT ROWID;
PRAGMA user_version = 1;
)";

// How long an operation waits for another process that holds the hive locked. Writes are
// single small transactions, so anything near this limit means the other side is stuck.
constexpr int busyTimeoutMs = 10000;

std::string environment(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

std::string homeFolder() {
  if (std::string home = environment("HOME"); !home.empty()) return home;
  // The reentrant lookup: fetch threads read settings, and so hive names, concurrently.
  passwd entry{};
  passwd *found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->pw_dir;
  return "";
}

std::string configFolder() {
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  if (std::string config = environment("XDG_CONFIG_HOME"); config.starts_with('/')) return config;
  return homeFolder() + "/.config";
}

// Empty segments are dropped: "Software\Zelvor", "Software\\Zelvor" and "Software\Zelvor\"
// name one key, as in the registry.
std::string normalizeKeyPath(const std::string &keyPath) {
  std::string result;
  size_t start = 0;
  while (start <= keyPath.size()) {
    size_t end = std::min(keyPath.find('\\', start), keyPath.size());
    if (end > start) {
      if (!result.empty()) result += '\\';
      result.append(keyPath, start, end - start);
    }
    start = end + 1;
  }
  return result;
}

std::string quoted(const std::string &fileName) { return "The settings file \"" + fileName + "\""; }

// How a failure of SQLite reads to the user, and the system error code it stands for (0: the
// one of the failed system call).
struct Problem {
  int result;
  const char *text;
  int code;
};
constexpr Problem problems[] = {
    {SQLITE_CORRUPT, "is damaged or is not a settings file", EIO},
    {SQLITE_NOTADB, "is damaged or is not a settings file", EIO},
    {SQLITE_READONLY, "cannot be written", EACCES},
    {SQLITE_PERM, "cannot be written", EACCES},
    {SQLITE_BUSY, "is locked by another program", EBUSY},
    {SQLITE_FULL, "cannot be written", ENOSPC},
    {SQLITE_CANTOPEN, "cannot be opened", 0},
};

// An open hive file. Every statement reports its failure as the system error naming the file.
class Connection {
public:
  Connection(std::string fileName, sqlite3 *db) : fileName_(std::move(fileName)), db_(db) {}
  ~Connection() { sqlite3_close_v2(db_); }
  Connection(const Connection &) = delete;
  Connection &operator=(const Connection &) = delete;

  sqlite3 *Handle() const { return db_; }
  const std::string &FileName() const { return fileName_; }

  // The detail defaults to SQLite's text for the last failure.
  [[noreturn]] void Fail(int result, std::string detail = "") const {
    if (detail.empty()) detail = sqlite3_errmsg(db_);
    Problem problem{result, "cannot be used", 0};
    for (const Problem &known : problems)
      if (known.result == (result & 0xff)) problem = known;
    int code = problem.code ? problem.code : sqlite3_system_errno(db_);
    throw EOSError(quoted(fileName_) + " " + problem.text + " (" + detail + ").",
                   code ? code : EIO);
  }

  void Execute(const char *sql) const {
    if (int result = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); result != SQLITE_OK)
      Fail(result);
  }

private:
  const std::string fileName_;
  sqlite3 *const db_;
};

class Statement {
public:
  Statement(const Connection &connection, const char *sql) : connection_(connection) {
    if (int result = sqlite3_prepare_v2(connection.Handle(), sql, -1, &statement_, nullptr);
        result != SQLITE_OK)
      connection.Fail(result);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;

  Statement &BindText(int index, const std::string &text) {
    check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_STATIC));
    return *this;
  }
  // std::string::data() is never null, so an empty value binds as an empty blob, not NULL.
  Statement &BindBlob(int index, const std::string &bytes) {
    check(sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()),
                            SQLITE_STATIC));
    return *this;
  }
  Statement &BindInt(int index, int64_t value) {
    check(sqlite3_bind_int64(statement_, index, value));
    return *this;
  }

  // True while there is a row to read.
  bool Step() {
    int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) connection_.Fail(result);
    return false;
  }
  void Reset() { sqlite3_reset(statement_); }

  int64_t ColumnInt(int index) const { return sqlite3_column_int64(statement_, index); }
  std::string ColumnBytes(int index) const {
    const void *bytes = sqlite3_column_blob(statement_, index);
    int size = sqlite3_column_bytes(statement_, index);
    return bytes ? std::string(static_cast<const char *>(bytes), size) : std::string();
  }

private:
  void check(int result) const {
    if (result != SQLITE_OK) connection_.Fail(result);
  }

  const Connection &connection_;
  sqlite3_stmt *statement_ = nullptr;
};

// Takes the hive's write lock at once: a deferred transaction that later upgrades can fail
// at once with "busy" against another process doing the same, while an immediate one waits.
class WriteTransaction {
public:
  explicit WriteTransaction(const Connection &connection) : connection_(connection) {
    connection.Execute("BEGIN IMMEDIATE");
  }
  ~WriteTransaction() {
    // After some errors SQLite has already rolled back; otherwise undo the unfinished work.
    // A failing rollback leaves nothing to do: the journal restores the file on next open.
    if (!sqlite3_get_autocommit(connection_.Handle()))
      sqlite3_exec(connection_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
  WriteTransaction(const WriteTransaction &) = delete;
  WriteTransaction &operator=(const WriteTransaction &) = delete;

  void Commit() { connection_.Execute("COMMIT"); }

private:
  const Connection &connection_;
};

class Hive {
public:
  Hive(std::string fileName, sqlite3 *db) : connection_(std::move(fileName), db) {}

  std::optional<RegValue> Query(const std::string &keyPath, const std::string &valueName) {
    std::lock_guard lock(mutex_);
    if (!hasLayout()) return std::nullopt;
    Statement query(connection_, "SELECT v.type, v.data FROM key_values v JOIN keys k "
                                 "ON k.id = v.key_id WHERE k.path = ?1 AND v.name = ?2");
    query.BindText(1, keyPath).BindText(2, valueName);
    if (!query.Step()) return std::nullopt;
    return RegValue{static_cast<RegType>(query.ColumnInt(0)), query.ColumnBytes(1)};
  }

  bool KeyExists(const std::string &keyPath) {
    std::lock_guard lock(mutex_);
    if (!hasLayout()) return false;
    Statement query(connection_, "SELECT 1 FROM keys WHERE path = ?1");
    query.BindText(1, keyPath);
    return query.Step();
  }

  void Set(const std::string &keyPath, const std::string &valueName, const RegValue &value) {
    std::lock_guard lock(mutex_);
    WriteTransaction transaction(connection_);
    if (hasLayout())
      checkIntact();
    else
      connection_.Execute(createSchema);
    createKey(keyPath);
    Statement upsert(connection_, "INSERT INTO key_values (key_id, name, type, data) "
                                  "SELECT id, ?2, ?3, ?4 FROM keys WHERE path = ?1 "
                                  "ON CONFLICT (key_id, name) DO UPDATE "
                                  "SET type = excluded.type, data = excluded.data");
    upsert.BindText(1, keyPath).BindText(2, valueName);
    upsert.BindInt(3, static_cast<int64_t>(value.Type)).BindBlob(4, value.Data);
    upsert.Step();
    transaction.Commit();
  }

  void Delete(const std::string &keyPath, const std::string &valueName) {
    std::lock_guard lock(mutex_);
    // Taken even when there is nothing to delete, so that a read-only hive refuses alike.
    WriteTransaction transaction(connection_);
    if (!hasLayout()) return;
    checkIntact();
    Statement remove(connection_, "DELETE FROM key_values WHERE name = ?2 AND "
                                  "key_id = (SELECT id FROM keys WHERE path = ?1)");
    remove.BindText(1, keyPath).BindText(2, valueName);
    remove.Step();
    transaction.Commit();
  }

private:
  // False for an empty file (a new hive); raises for a file in another or a newer layout.
  bool hasLayout() const {
    Statement version(connection_, "PRAGMA user_version");
    version.Step();
    if (version.ColumnInt(0) == formatVersion) return true;
    if (version.ColumnInt(0) > formatVersion)
      throw EOSError(quoted(connection_.FileName()) + " was written by a newer version.", EIO);
    Statement objects(connection_, "SELECT count(*) FROM sqlite_master");
    objects.Step();
    if (objects.ColumnInt(0) == 0) return false;
    throw EOSError(quoted(connection_.FileName()) + " is not a settings file.", EIO);
  }

  // A damaged page is only noticed when a statement reaches it; a write must not go ahead on
  // a partly readable file and make the damage permanent.
  void checkIntact() const {
    Statement check(connection_, "PRAGMA quick_check(1)");
    std::string verdict = check.Step() ? check.ColumnBytes(0) : "no verdict";
    if (verdict != "ok") connection_.Fail(SQLITE_CORRUPT, verdict);
  }

  // Creates the key with every key above it, as the registry does.
  void createKey(const std::string &keyPath) const {
    Statement insert(connection_, "INSERT INTO keys (path) VALUES (?1) ON CONFLICT DO NOTHING");
    size_t end = 0;
    do {
      end = keyPath.find('\\', end + 1);
      std::string path = keyPath.substr(0, end);
      insert.BindText(1, path);
      insert.Step();
      insert.Reset();
    } while (end != std::string::npos);
  }

  std::mutex mutex_;
  // Guarded by mutex_: the statements of one operation, and its transaction, must not
  // interleave with another thread's on the shared connection.
  Connection connection_;
};

// The hive marks itself read-only by its permission bits as well: root passes access() for
// any file, and a hive an administrator made read-only must stay so for every user.
bool isWritable(const std::string &fileName, const struct stat &status) {
  return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) && access(fileName.c_str(), W_OK) == 0;
}

[[noreturn]] void failFile(const std::string &fileName, const char *problem, int code) {
  throw EOSError(quoted(fileName) + " " + problem + " (" + std::strerror(code) + ").", code);
}

// A new user hive holds the proxy password, so only its owner may read it; the machine hive
// is meant to be read by every user.
void createHiveFile(RegRoot root, const std::string &fileName) {
  std::error_code error;
  // A bare file name has no folder to create (and create_directories refuses an empty one).
  if (auto folder = std::filesystem::path(fileName).parent_path(); !folder.empty())
    std::filesystem::create_directories(folder, error);
  mode_t mode = root == RegRoot::CurrentUser ? 0600 : 0644;
  // No O_TRUNC: another process may have created and filled the file in the meantime.
  int file = error ? -1 : open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, mode);
  if (file < 0) failFile(fileName, "cannot be created", error ? error.value() : errno);
  close(file);
}

std::mutex hivesMutex;
// Guarded by hivesMutex: the open hives by file name, and the files whose failure to read
// has been reported.
std::map<std::string, std::shared_ptr<Hive>> hives;
std::set<std::string> reportedFiles;

// The open hive of the root held in the file; null when the file does not exist and may not
// be created.
std::shared_ptr<Hive> findHive(RegRoot root, const std::string &fileName, bool create) {
  std::lock_guard lock(hivesMutex);
  if (auto found = hives.find(fileName); found != hives.end()) return found->second;
  struct stat status {};
  if (stat(fileName.c_str(), &status) != 0) {
    if (errno != ENOENT) failFile(fileName, "cannot be opened", errno);
    if (!create) return nullptr;
    createHiveFile(root, fileName);
    if (stat(fileName.c_str(), &status) != 0) failFile(fileName, "cannot be opened", errno);
  }
  // Hives keep SQLite's default rollback journal, not WAL: a WAL database cannot be read by
  // users without write access to its folder (the machine hive under /etc), and hives are
  // small and rarely written, so readers seldom wait for a writer.
  int flags = isWritable(fileName, status) ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  sqlite3 *db = nullptr;
  int result = sqlite3_open_v2(fileName.c_str(), &db, flags, nullptr);
  if (result != SQLITE_OK) Connection(fileName, db).Fail(result); // closes db as it unwinds
  sqlite3_busy_timeout(db, busyTimeoutMs);
  auto hive = std::make_shared<Hive>(fileName, db);
  hives.emplace(fileName, hive);
  return hive;
}

// Reading never fails: a hive that cannot be read reads as empty, so settings fall back to
// their defaults, and the user is told once per file instead of at every read.
template <class Result, class Read> Result readHive(RegRoot root, Result missing, Read read) {
  std::string fileName = HiveFileName(root);
  try {
    std::shared_ptr<Hive> hive = findHive(root, fileName, false);
    return hive ? read(*hive) : missing;
  } catch (const EOSError &error) {
    std::lock_guard lock(hivesMutex);
    if (reportedFiles.insert(fileName).second)
      std::fprintf(stderr, "%s Its settings are read as not set.\n", error.what());
    return missing;
  }
}

// Settings are read for every fetch, so recent answers are kept and a repeated read costs no
// file access. A write through this program drops them at once; a change made by another
// process shows after answerLifetime at most.
constexpr auto answerLifetime = std::chrono::seconds(1);

struct Answer {
  std::optional<RegValue> Value;
  std::chrono::steady_clock::time_point Read;
};

// Guarded by hivesMutex: answers by hive file, key and value name, and a count of the times
// they were dropped, so that a read overtaken by a write does not store its stale answer.
std::map<std::tuple<std::string, std::string, std::string>, Answer> answers;
uint64_t answersDropped = 0;

void dropAnswers() {
  std::lock_guard lock(hivesMutex);
  answers.clear();
  ++answersDropped;
}

} // namespace

RegValue RegValue::FromString(std::string text) { return {RegType::String, std::move(text)}; }

RegValue RegValue::FromDWord(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<char>(value >> (8 * i));
  return {RegType::DWord, std::move(bytes)};
}

RegValue RegValue::FromBinary(std::string bytes) { return {RegType::Binary, std::move(bytes)}; }

std::optional<uint32_t> RegValue::AsDWord() const {
  if (Type != RegType::DWord || Data.size() != 4) return std::nullopt;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(Data[i]);
  return value;
}

std::string HiveFileName(RegRoot root) {
  bool user = root == RegRoot::CurrentUser;
  std::string named = environment(user ? "ZELVOR_SUMBRA_USER_HIVE" : "ZELVOR_SUMBRA_MACHINE_HIVE");
  if (!named.empty()) return named;
  return user ? configFolder() + "/Zelvor/Sumbra/user.db" : "/etc/zelvor-sumbra/machine.db";
}

std::optional<RegValue> RegQueryValue(RegRoot root, const std::string &keyPath,
                                      const std::string &valueName) {
  std::string key = normalizeKeyPath(keyPath);
  auto id = std::make_tuple(HiveFileName(root), key, valueName);
  const auto now = std::chrono::steady_clock::now();
  uint64_t dropped = 0;
  {
    std::lock_guard lock(hivesMutex);
    if (auto found = answers.find(id);
        found != answers.end() && now - found->second.Read < answerLifetime)
      return found->second.Value;
    dropped = answersDropped;
  }
  std::optional<RegValue> value = readHive(root, std::optional<RegValue>(),
                                           [&](Hive &hive) { return hive.Query(key, valueName); });
  std::lock_guard lock(hivesMutex);
  if (dropped == answersDropped) answers.insert_or_assign(std::move(id), Answer{value, now});
  return value;
}

void RegSetValue(RegRoot root, const std::string &keyPath, const std::string &valueName,
                 const RegValue &value) {
  dropAnswers();
  findHive(root, HiveFileName(root), true)->Set(normalizeKeyPath(keyPath), valueName, value);
}

void RegDeleteValue(RegRoot root, const std::string &keyPath, const std::string &valueName) {
  dropAnswers();
  // A hive that does not exist holds no value; deleting must not create it.
  if (std::shared_ptr<Hive> hive = findHive(root, HiveFileName(root), false))
    hive->Delete(normalizeKeyPath(keyPath), valueName);
}

bool RegKeyExists(RegRoot root, const std::string &keyPath) {
  return readHive(root, false,
                  [&](Hive &hive) { return hive.KeyExists(normalizeKeyPath(keyPath)); });
}

void RegCloseHives() {
  // An operation running in another thread keeps its hive open until it ends.
  dropAnswers();
  std::lock_guard lock(hivesMutex);
  hives.clear();
}

} // namespace zs::platform
