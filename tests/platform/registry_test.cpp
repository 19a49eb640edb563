#include "platform/registry.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "platform/exceptions.h"
#include "tests/support/test_environment.h"

namespace zs::platform {
namespace {

namespace fs = std::filesystem;
using zs::testing::ReadFile;
using zs::testing::ScopedHives;
using zs::testing::TempDir;
using zs::testing::WriteFile;

constexpr RegRoot user = RegRoot::CurrentUser;
constexpr RegRoot machine = RegRoot::LocalMachine;
const std::string settingsKey = "Software\\Zelvor\\Sumbra\\Settings";

void expectSame(const std::optional<RegValue> &read, const RegValue &written) {
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->Type, written.Type);
  EXPECT_EQ(read->Data, written.Data);
}

TEST(Registry, ValuesOfEveryTypeComeBackFromTheFile) {
  ScopedHives hives;
  const std::vector<RegValue> values = {
      RegValue::FromString("Zelvor Sumbra!/ver 1.0"),
      RegValue::FromString(""),
      RegValue::FromString("caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x98\x80"),
      RegValue::FromDWord(0),
      RegValue::FromDWord(0xFFFFFFFF),
      RegValue::FromBinary(std::string("\0\x01\xFF\0", 4)),
      RegValue::FromBinary("")};
  for (size_t i = 0; i < values.size(); ++i)
    RegSetValue(user, settingsKey, "v" + std::to_string(i), values[i]);
  RegCloseHives(); // read through a new connection, from what reached the file
  for (size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(i);
    expectSame(RegQueryValue(user, settingsKey, "v" + std::to_string(i)), values[i]);
  }
  EXPECT_EQ(RegValue::FromDWord(0x12345678).Data, "\x78\x56\x34\x12");
}

TEST(Registry, KeysAndNamesIgnoreCaseAndAValueBelongsToItsKeyAndHive) {
  ScopedHives hives;
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("first"));
  expectSame(RegQueryValue(user, "SOFTWARE\\zelvor\\sumbra\\SETTINGS\\", "useragent"),
             RegValue::FromString("first"));
  RegSetValue(user, "software\\Zelvor\\Sumbra\\settings", "USERAGENT", RegValue::FromDWord(7));
  expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromDWord(7));

  EXPECT_EQ(RegQueryValue(user, "Software\\Zelvor\\Sumbra", "UserAgent"), std::nullopt);
  EXPECT_EQ(RegQueryValue(machine, settingsKey, "UserAgent"), std::nullopt);
  EXPECT_TRUE(RegKeyExists(user, "software\\zelvor")); // a write creates the keys above
  EXPECT_FALSE(RegKeyExists(user, "Software\\Zelvor\\Sum"));
}

TEST(Registry, ReadingOrDeletingCreatesNoHiveAndDeleteRemovesOneValue) {
  ScopedHives hives;
  EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent"), std::nullopt);
  EXPECT_FALSE(RegKeyExists(user, settingsKey));
  RegDeleteValue(user, settingsKey, "UserAgent");
  EXPECT_FALSE(fs::exists(hives.UserHive()));
  TempDir dir;
  setenv("ZELVOR_SUMBRA_USER_HIVE", dir.File("sub/user.db").c_str(), 1);
  EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent"), std::nullopt);
  EXPECT_FALSE(fs::exists(dir.File("sub")));

  setenv("ZELVOR_SUMBRA_USER_HIVE", hives.UserHive().c_str(), 1);
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("agent"));
  RegSetValue(user, settingsKey, "DefaultIndexName", RegValue::FromString("index.htm"));
  EXPECT_FALSE(RegKeyExists(user, "Software\\Zelvor\\Sumbra\\Custom"));
  RegDeleteValue(user, settingsKey, "USERAGENT");
  RegDeleteValue(user, settingsKey, "UserAgent"); // already gone: nothing happens
  EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent"), std::nullopt);
  expectSame(RegQueryValue(user, settingsKey, "DefaultIndexName"),
             RegValue::FromString("index.htm"));
}

TEST(Registry, AWriteCreatesTheFolderAndOnlyTheUserHiveIsPrivate) {
  TempDir dir;
  ScopedHives hives;
  setenv("ZELVOR_SUMBRA_USER_HIVE", dir.File("a/b/user.db").c_str(), 1);
  setenv("ZELVOR_SUMBRA_MACHINE_HIVE", dir.File("etc/machine.db").c_str(), 1);
  RegSetValue(user, "Software\\Zelvor\\Sumbra\\Custom\\Connection Proxy", "Password",
              RegValue::FromString("secret"));
  RegSetValue(machine, settingsKey, "DefaultPort:http", RegValue::FromString("8080"));
  EXPECT_EQ(fs::status(dir.File("a/b/user.db")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(fs::status(dir.File("etc/machine.db")).permissions() & fs::perms::others_read,
            fs::perms::none);
}

TEST(Registry, AChangedHiveVariableTakesEffectAtTheNextCall) {
  ScopedHives hives;
  TempDir dir;
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("first"));
  setenv("ZELVOR_SUMBRA_USER_HIVE", dir.File("other.db").c_str(), 1);
  EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent"), std::nullopt);
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("second"));
  setenv("ZELVOR_SUMBRA_USER_HIVE", hives.UserHive().c_str(), 1);
  expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromString("first"));
}

void setVariable(const char *name, const char *value) {
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

TEST(Registry, HiveFileNamesComeFromTheEnvironment) {
  const char *names[] = {"ZELVOR_SUMBRA_USER_HIVE", "ZELVOR_SUMBRA_MACHINE_HIVE", "XDG_CONFIG_HOME",
                         "HOME"};
  struct Case {
    RegRoot root;
    const char *variables[std::size(names)]; // null: unset
    const char *expected;
  };
  const Case cases[] = {
      {user, {"/tmp/u.db", "/tmp/m.db", "/cfg", "/home/ann"}, "/tmp/u.db"},
      {user, {"", nullptr, "/cfg", "/home/ann"}, "/cfg/Zelvor/Sumbra/user.db"},
      {user,
       {nullptr, nullptr, "relative", "/home/ann"},
       "/home/ann/.config/Zelvor/Sumbra/user.db"},
      {machine, {"/tmp/u.db", "/tmp/m.db", nullptr, nullptr}, "/tmp/m.db"},
      {machine, {"/tmp/u.db", nullptr, "/cfg", "/home/ann"}, "/etc/zelvor-sumbra/machine.db"},
  };
  std::vector<std::optional<std::string>> saved;
  for (const char *name : names)
    saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name))
                                      : std::nullopt);
  for (const Case &c : cases) {
    for (size_t i = 0; i < std::size(names); ++i)
      setVariable(names[i], c.variables[i]);
    EXPECT_EQ(HiveFileName(c.root), c.expected);
  }
  for (size_t i = 0; i < std::size(names); ++i)
    setVariable(names[i], saved[i] ? saved[i]->c_str() : nullptr);
}

void expectWritesRefused(const std::string &fileName) {
  for (bool remove : {false, true}) {
    try {
      if (remove)
        RegDeleteValue(user, settingsKey, "UserAgent");
      else
        RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("new"));
      ADD_FAILURE() << "a write to " << fileName << " succeeded";
    } catch (const EOSError &error) {
      EXPECT_NE(error.Message().find(fileName), std::string::npos) << error.Message();
    }
  }
}

// The bytes of a real hive of several pages.
std::string realHive() {
  ScopedHives scratch;
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("agent"));
  RegSetValue(user, "Software\\Zelvor\\Sumbra\\Custom\\Main", "Layout",
              RegValue::FromBinary(std::string(6000, 'L')));
  RegCloseHives();
  return ReadFile(scratch.UserHive());
}

TEST(Registry, ADamagedHiveReadsAsEmptyIsReportedOnceAndIsNeverWritten) {
  std::mt19937 random(20240601);
  std::string noise(5000, '\0');
  for (char &byte : noise)
    byte = static_cast<char>(random());
  const std::string hive = realHive();
  ASSERT_GT(hive.size(), 3 * 4096u);
  std::string newer = hive;
  newer[63] = 2; // PRAGMA user_version, big-endian at offset 60: a later layout

  const std::pair<const char *, std::string> cases[] = {
      {"random bytes", noise},
      {"a real hive cut after its first page", hive.substr(0, 4096)},
      {"a real hive cut in the middle of a page", hive.substr(0, 2 * 4096 + 100)},
      {"a hive written by a newer version", newer},
  };
  for (const auto &[name, bytes] : cases) {
    SCOPED_TRACE(name);
    ScopedHives hives;
    WriteFile(hives.UserHive(), bytes);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent"), std::nullopt);
    EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent"), std::nullopt);
    EXPECT_FALSE(RegKeyExists(user, settingsKey));
    const std::string report = ::testing::internal::GetCapturedStderr();
    size_t first = report.find(hives.UserHive());
    EXPECT_NE(first, std::string::npos) << report;
    EXPECT_EQ(report.find(hives.UserHive(), first + 1), std::string::npos) << report;

    expectWritesRefused(hives.UserHive());
    RegCloseHives();
    EXPECT_EQ(ReadFile(hives.UserHive()), bytes);
    EXPECT_FALSE(fs::exists(hives.UserHive() + "-journal"));
  }
}

TEST(Registry, AWriteRefusesAHiveWithADamagedPageItWouldNotTouch) {
  ScopedHives hives;
  std::string bytes = realHive();
  // The first overflow page of the long binary value: a chain pointer, then only its bytes.
  size_t page = 4096;
  while (page < bytes.size() && bytes.compare(page + 4, 4092, std::string(4092, 'L')) != 0)
    page += 4096;
  ASSERT_LT(page, bytes.size());
  bytes.replace(page, 4096, std::string(4096, '\0'));
  WriteFile(hives.UserHive(), bytes);

  expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromString("agent"));
  expectWritesRefused(hives.UserHive());
  RegCloseHives();
  EXPECT_EQ(ReadFile(hives.UserHive()), bytes);
}

TEST(Registry, AHiveWithoutWritePermissionIsReadButNeverWritten) {
  ScopedHives hives;
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("stored"));
  RegCloseHives();
  // No write bit at all: refused even to root, who passes every access check.
  fs::permissions(hives.UserHive(), fs::perms::owner_read | fs::perms::group_read);
  const std::string bytes = ReadFile(hives.UserHive());

  expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromString("stored"));
  expectWritesRefused(hives.UserHive());
  expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromString("stored"));
  EXPECT_EQ(ReadFile(hives.UserHive()), bytes);
}

pid_t startWriter(const std::string &hive, const std::string &prefix, int count) {
  std::vector<std::string> arguments = {ZS_TEST_HELPERS_DIR "/hive_writer", hive, settingsKey,
                                        prefix, std::to_string(count)};
  std::vector<char *> argv;
  for (std::string &argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
  return pid;
}

int exitCode(pid_t pid) {
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Registry, TwoProcessesWritingOneHiveAtOnceLoseNoValue) {
  ScopedHives hives;
  // This process keeps the hive open meanwhile, as a running program would.
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("agent"));
  constexpr int count = 50;
  pid_t first = startWriter(hives.UserHive(), "A", count);
  pid_t second = startWriter(hives.UserHive(), "B", count);
  EXPECT_EQ(exitCode(first), 0);
  EXPECT_EQ(exitCode(second), 0);
  for (const char *prefix : {"A", "B"})
    for (int i = 0; i < count; ++i) {
      auto value = RegQueryValue(user, settingsKey, prefix + std::to_string(i));
      ASSERT_TRUE(value) << prefix << i;
      EXPECT_EQ(value->AsDWord(), static_cast<uint32_t>(i));
    }
  expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromString("agent"));
}

TEST(Registry, ThreadsReadWhileAnotherThreadWritesAndClosesTheHives) {
  ScopedHives hives;
  constexpr uint32_t names = 10;
  std::atomic<bool> done = false;
  std::atomic<int> wrongValues = 0;
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r)
    readers.emplace_back([&] {
      while (!done)
        for (uint32_t n = 0; n < names; ++n) {
          auto value = RegQueryValue(user, settingsKey, "N" + std::to_string(n));
          if (value && value->AsDWord() != n) ++wrongValues;
        }
    });
  for (uint32_t i = 0; i < 100; ++i) {
    RegSetValue(user, settingsKey, "N" + std::to_string(i % names), RegValue::FromDWord(i % names));
    if (i % 25 == 0) RegCloseHives();
  }
  done = true;
  for (std::thread &reader : readers)
    reader.join();
  EXPECT_EQ(wrongValues, 0);
  for (uint32_t n = 0; n < names; ++n)
    expectSame(RegQueryValue(user, settingsKey, "N" + std::to_string(n)), RegValue::FromDWord(n));
}

} // namespace
} // namespace zs::platform
