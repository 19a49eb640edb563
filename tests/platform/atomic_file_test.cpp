// Replacing a file: the new content arrives whole or not at all, and nothing stays behind.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/exceptions.h"
#include "tests/support/test_environment.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;
using platform::TFileReplacement;

class FileReplacement : public ::testing::Test {
protected:
  size_t FileCount() const {
    return size_t(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()));
  }

  TempDir dir;
  std::string file = dir.File("jobs.JL");
};

TEST_F(FileReplacement, OnlyCommitPutsTheNewContentInPlaceWithTheOldPermissions) {
  WriteFile(file, "old");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  {
    TFileReplacement abandoned(file);
    WriteFile(abandoned.TempName(), "half");
  }
  EXPECT_EQ(ReadFile(file), "old");
  EXPECT_EQ(FileCount(), 1u);
  {
    TFileReplacement replacement(file);
    WriteFile(replacement.TempName(), "new");
    EXPECT_EQ(ReadFile(file), "old");
    replacement.Commit();
  }
  EXPECT_EQ(ReadFile(file), "new");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(FileReplacement, FailureToMakeOrCommitLeavesTheOldFileAndNoTemporaryFile) {
  std::string longName = dir.File(std::string(250, 'j'));
  WriteFile(longName, "old");
  EXPECT_THROW(TFileReplacement{longName}, platform::EOSError);
  EXPECT_EQ(ReadFile(longName), "old");
  fs::create_directory(file); // a rename cannot replace a directory, even for root
  {
    TFileReplacement replacement(file);
    WriteFile(replacement.TempName(), "new");
    EXPECT_THROW(replacement.Commit(), platform::EOSError);
  }
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(FileCount(), 2u);
}

// What a killed program left is found below the folder; files only named alike stay.
TEST_F(FileReplacement, UnfinishedReplacementsAreRemovedAndNothingElse) {
  fs::create_directories(dir.File("a/b"));
  std::string deep = dir.File("a/b/page.html");
  WriteFile(deep, "old");
  const std::string left = TFileReplacement(deep).TempName();
  {
    TFileReplacement killed(deep);
    fs::copy_file(killed.TempName(), left); // as a kill before the commit would leave it
  }
  const std::vector<std::string> kept = {deep, dir.File("a/notes.~draft"),
                                         dir.File("a/b/x.~0123456G"), dir.File(".~01234567")};
  for (const std::string &name : kept)
    WriteFile(name, "mine");
  TFileReplacement::RemoveUnfinished(dir.Path());
  EXPECT_FALSE(fs::exists(left));
  for (const std::string &name : kept)
    EXPECT_TRUE(fs::exists(name)) << name;
}

TEST_F(FileReplacement, LinkedNameStaysALink) {
  WriteFile(dir.File("target"), "old");
  fs::create_symlink(dir.File("target"), file);
  TFileReplacement replacement(file);
  WriteFile(replacement.TempName(), "new");
  replacement.Commit();
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(ReadFile(dir.File("target")), "new");
}

} // namespace
} // namespace zs::testing
