#include "platform/registry.h"

#include <gtest/gtest.h>

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

TEST(Registry, ValuesComeBackFromTheFileWhateverTheCaseOfKeyAndName) {
  ScopedHives hives;
  const std::vector<RegValue> values = {RegValue::FromString("caf\xC3\xA9 \xF0\x9F\x98\x80"),
                                        RegValue::FromString(""), RegValue::FromDWord(0xFFFFFFFF),
                                        RegValue::FromBinary(std::string("\0\x01\xFF\0", 4))};
  for (size_t i = 0; i < values.size(); ++i)
    RegSetValue(user, settingsKey, "v" + std::to_string(i), values[i]);
  RegCloseHives(); // read through a new connection, from what reached the file
  for (size_t i = 0; i < values.size(); ++i)
    expectSame(RegQueryValue(user, "SOFTWARE\\zelvor\\sumbra\\SETTINGS\\", "V" + std::to_string(i)),
               values[i]);
  RegSetValue(user, "software\\Zelvor\\Sumbra\\settings", "V0", RegValue::FromDWord(7));
  expectSame(RegQueryValue(user, settingsKey, "v0"), RegValue::FromDWord(7));
  // A value belongs to its key and hive; a write creates the keys above it.
  EXPECT_EQ(RegQueryValue(user, "Software\\Zelvor\\Sumbra", "v0"), std::nullopt);
  EXPECT_EQ(RegQueryValue(machine, settingsKey, "v0"), std::nullopt);
  EXPECT_TRUE(RegKeyExists(user, "software\\zelvor"));
  EXPECT_FALSE(RegKeyExists(user, "Software\\Zelvor\\Sum"));
  RegDeleteValue(user, settingsKey, "V0");
  RegDeleteValue(user, settingsKey, "v0"); // already gone: nothing happens
  EXPECT_EQ(RegQueryValue(user, settingsKey, "v0"), std::nullopt);
  expectSame(RegQueryValue(user, settingsKey, "v1"), values[1]);
}

TEST(Registry, ReadingCreatesNoHiveAndAWriteMakesOnlyTheUserHivePrivate) {
  TempDir dir;
  ScopedHives hives;
  setenv("ZELVOR_SUMBRA_USER_HIVE", dir.File("a/b/user.db").c_str(), 1);
  setenv("ZELVOR_SUMBRA_MACHINE_HIVE", dir.File("etc/machine.db").c_str(), 1);
  EXPECT_EQ(RegQueryValue(user, settingsKey, "Password"), std::nullopt);
  RegDeleteValue(user, settingsKey, "Password");
  EXPECT_FALSE(fs::exists(dir.File("a")));
  RegSetValue(user, settingsKey, "Password", RegValue::FromString("secret"));
  RegSetValue(machine, settingsKey, "DefaultPort:http", RegValue::FromString("8080"));
  EXPECT_EQ(fs::status(dir.File("a/b/user.db")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(fs::status(dir.File("etc/machine.db")).permissions() & fs::perms::others_read,
            fs::perms::none);
}

// Both kinds of write fail naming the file.
void expectWritesRefused(const std::string &fileName) {
  for (bool remove : {false, true})
    try {
      remove ? RegDeleteValue(user, settingsKey, "UserAgent")
             : RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("new"));
      ADD_FAILURE() << "a write to " << fileName << " succeeded";
    } catch (const EOSError &error) {
      EXPECT_NE(error.Message().find(fileName), std::string::npos) << error.Message();
    }
}

// A hive that reads as empty is reported once; one with a damaged page that no read touches,
// or without write permission, is read. Neither is ever written.
TEST(Registry, DamagedOrReadOnlyHivesAreNeverWritten) {
  ScopedHives scratch; // the bytes of a real hive of several pages
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("agent"));
  RegSetValue(user, "Software\\Zelvor\\Sumbra\\Custom\\Main", "Layout",
              RegValue::FromBinary(std::string(6000, 'L')));
  RegCloseHives();
  const std::string hive = ReadFile(scratch.UserHive());
  ASSERT_GT(hive.size(), 3 * 4096u);
  std::mt19937 random(20240601);
  std::string noise(5000, '\0'), newer = hive, damagedPage = hive;
  for (char &byte : noise)
    byte = static_cast<char>(random());
  newer[63] = 2; // PRAGMA user_version, big-endian at offset 60: a later layout
  // The first overflow page of the long binary value, which a write would not touch.
  size_t page = 4096;
  while (page < hive.size() && hive.compare(page + 4, 4092, std::string(4092, 'L')) != 0)
    page += 4096;
  ASSERT_LT(page, hive.size());
  damagedPage.replace(page, 4096, std::string(4096, '\0'));

  const std::tuple<const char *, std::string, bool> cases[] = {
      {"random bytes", noise, false},
      {"a real hive cut after its first page", hive.substr(0, 4096), false},
      {"a real hive cut in the middle of a page", hive.substr(0, 2 * 4096 + 100), false},
      {"a hive written by a newer version", newer, false},
      {"a damaged page", damagedPage, true},
      {"read-only", hive, true},
  };
  for (const auto &[name, bytes, readable] : cases) {
    SCOPED_TRACE(name);
    ScopedHives hives;
    WriteFile(hives.UserHive(), bytes);
    // No write bit at all: refused even to root, who passes every access check.
    if (bytes == hive) fs::permissions(hives.UserHive(), fs::perms::owner_read);
    ::testing::internal::CaptureStderr();
    for (int read = 0; read < 2; ++read)
      EXPECT_EQ(RegQueryValue(user, settingsKey, "UserAgent").has_value(), readable);
    EXPECT_EQ(RegKeyExists(user, settingsKey), readable);
    const std::string report = ::testing::internal::GetCapturedStderr();
    if (!readable) {
      size_t first = report.find(hives.UserHive());
      EXPECT_NE(first, std::string::npos) << report;
      EXPECT_EQ(report.find(hives.UserHive(), first + 1), std::string::npos) << report;
    } else {
      expectSame(RegQueryValue(user, settingsKey, "UserAgent"), RegValue::FromString("agent"));
    }
    expectWritesRefused(hives.UserHive());
    RegCloseHives();
    EXPECT_EQ(ReadFile(hives.UserHive()), bytes);
    EXPECT_FALSE(fs::exists(hives.UserHive() + "-journal"));
  }
}

TEST(Registry, TwoProcessesWritingOneHiveAtOnceLoseNoValue) {
  ScopedHives hives;
  // This process keeps the hive open meanwhile, as a running program would.
  RegSetValue(user, settingsKey, "UserAgent", RegValue::FromString("agent"));
  constexpr int count = 50;
  const std::string writer = ZS_TEST_HELPERS_DIR "/hive_writer '" + hives.UserHive() + "' '" +
                             settingsKey + "' ",
                    number = " " + std::to_string(count);
  // Both at once; the status is 0 when both succeed.
  const std::string both = writer + "A" + number + " & " + writer + "B" + number + " && wait $!";
  EXPECT_EQ(std::system(both.c_str()), 0);
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
