#include "output_file.hpp"

#include "native_file.hpp"
#include "temp_folder.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Hands out the given names in turn, then "free".
name_source names(std::vector<std::string> list) {
  return [list, next = std::size_t{0}]() mutable { return next < list.size() ? list[next++] : "free"; };
}

mode_t permissions_of(const fs::path& path) {
  struct stat status;
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 0777;
}

}  // namespace

TEST(OutputFile, ReplacesTheOldFileAndLeavesNoTemporary) {
  temp_folder folder;
  fs::path target = folder.path / "line.bas";
  write_file(target, "old loader\r\n");
  replace_result result = replace_file(target.string(), "new\r\nloader\r\n");
  EXPECT_FALSE(result.error);
  EXPECT_FALSE(result.warning);
  EXPECT_EQ(read_file(target), "new\r\nloader\r\n");
  EXPECT_EQ(names_in(folder.path), std::vector<std::string>{"line.bas"});
}

TEST(OutputFile, WhatStandsWhereTheLoaderGoesIsNeverOverwritten) {
  struct blocked_case {
    const char* what;
    void (*plant)(const fs::path&);
    std::string message;
  };
  const std::vector<blocked_case> cases = {
      {"folder", [](const fs::path& p) { fs::create_directory(p); }, "cannot replace: it is a folder, not a file"},
      {"FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       "cannot replace: it is a FIFO (named pipe), not a file"},
  };
  for (const blocked_case& c : cases) {
    temp_folder folder;
    fs::path target = folder.path / "line.bas";
    c.plant(target);
    replace_result result = replace_file(target.string(), "new");
    ASSERT_TRUE(result.error) << c.what;
    EXPECT_EQ(result.error->path, target.string());
    EXPECT_EQ(result.error->message, c.message);
    EXPECT_EQ(names_in(folder.path), std::vector<std::string>{"line.bas"}) << c.what;
    EXPECT_EQ(fs::symlink_status(target).type(),
              c.what == std::string("folder") ? fs::file_type::directory : fs::file_type::fifo);
  }
}

TEST(OutputFile, MissingFolderCreatesNothing) {
  temp_folder folder;
  fs::path target = folder.path / "as11" / "line.bas";
  replace_result result = replace_file(target.string(), "new");
  ASSERT_TRUE(result.error);
  EXPECT_EQ(result.error->path, target.string());
  EXPECT_EQ(result.error->message,
            "cannot write: the folder " + target.parent_path().string() + " does not exist (No such file or directory)");
  EXPECT_TRUE(names_in(folder.path).empty());
}

TEST(OutputFile, NamesOthersHoldAreSkippedAndLeftAsTheyWere) {
  temp_folder folder;
  fs::path target = folder.path / "line.bas";
  fs::path notes = folder.path / "notes.txt";
  fs::path other = folder.path / "other.txt";
  write_file(target, "old");
  write_file(notes, "my notes");
  write_file(other, "someone's file");
  auto at = [&](const char* name) { return folder.path / ("line.bas." + std::string(name) + ".tmp"); };
  fs::create_symlink(notes, at("link"));
  fs::create_symlink(folder.path / "nowhere", at("dangling"));
  fs::create_hard_link(other, at("hard"));
  ASSERT_EQ(mkfifo(at("fifo").c_str(), 0644), 0);
  fs::create_directory(at("folder"));
  write_file(at("readonly"), "read-only");
  fs::permissions(at("readonly"), fs::perms::owner_read);
  write_file(folder.path / "line.bas.tmp", "the old fixed name");

  replace_result result =
      replace_file(target.string(), "new", names({"link", "dangling", "hard", "fifo", "folder", "readonly"}));
  EXPECT_FALSE(result.error) << result.error->message;
  EXPECT_EQ(read_file(target), "new");
  EXPECT_EQ(read_file(notes), "my notes");
  EXPECT_EQ(read_file(other), "someone's file");
  EXPECT_EQ(read_file(at("hard")), "someone's file");
  EXPECT_TRUE(fs::is_symlink(at("link")));
  EXPECT_TRUE(fs::is_symlink(at("dangling")));
  EXPECT_FALSE(fs::exists(folder.path / "nowhere"));
  EXPECT_TRUE(fs::is_fifo(at("fifo")));
  EXPECT_TRUE(fs::is_directory(at("folder")));
  EXPECT_EQ(read_file(at("readonly")), "read-only");
  EXPECT_EQ(read_file(folder.path / "line.bas.tmp"), "the old fixed name");
  EXPECT_FALSE(fs::exists(at("free")));
}

TEST(OutputFile, GivesUpWhenEveryNameIsTaken) {
  temp_folder folder;
  fs::path target = folder.path / "line.bas";
  write_file(target, "old");
  fs::create_directory(folder.path / "line.bas.taken.tmp");
  replace_result result = replace_file(target.string(), "new", [] { return "taken"; });
  ASSERT_TRUE(result.error);
  EXPECT_EQ(result.error->message, "cannot write: every name tried for a new file beside it was taken");
  EXPECT_EQ(read_file(target), "old");
  EXPECT_TRUE(fs::is_empty(folder.path / "line.bas.taken.tmp"));
}

TEST(OutputFile, KeepsTheOldLoadersPermissions) {
  for (mode_t mode : {0600, 0644, 0755, 0444}) {
    temp_folder folder;
    fs::path target = folder.path / "line.bas";
    write_file(target, "old");
    ASSERT_EQ(chmod(target.c_str(), mode), 0);
    EXPECT_FALSE(replace_file(target.string(), "new").error);
    EXPECT_EQ(read_file(target), "new");
    EXPECT_EQ(permissions_of(target), mode);
  }
  // A new loader gets what any new file gets.
  temp_folder folder;
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_FALSE(replace_file((folder.path / "line.bas").string(), "new").error);
  EXPECT_EQ(permissions_of(folder.path / "line.bas"), 0666 & ~mask);
}

TEST(OutputFile, ALinkStaysALinkAndItsFileIsReplacedInItsOwnFolder) {
  temp_folder folder;
  fs::path project = folder.path / "project";
  fs::path as11 = folder.path / "as11";
  fs::create_directories(project);
  fs::create_directories(as11);
  write_file(project / "loader.bas", "old");
  ASSERT_EQ(chmod((project / "loader.bas").c_str(), 0600), 0);
  // line.bas -> middle.bas (relative) -> project/loader.bas (absolute)
  fs::create_symlink(project / "loader.bas", as11 / "middle.bas");
  fs::create_symlink("middle.bas", as11 / "line.bas");

  EXPECT_FALSE(replace_file((as11 / "line.bas").string(), "new").error);
  EXPECT_TRUE(fs::is_symlink(as11 / "line.bas"));
  EXPECT_TRUE(fs::is_symlink(as11 / "middle.bas"));
  EXPECT_EQ(read_file(project / "loader.bas"), "new");
  EXPECT_EQ(permissions_of(project / "loader.bas"), 0600u);
  EXPECT_EQ(names_in(project), std::vector<std::string>{"loader.bas"});
  EXPECT_EQ(names_in(as11), (std::vector<std::string>{"line.bas", "middle.bas"}));

  // A link to a file not made yet: the file is made where it points.
  fs::create_symlink(project / "new.bas", as11 / "fresh.bas");
  EXPECT_FALSE(replace_file((as11 / "fresh.bas").string(), "fresh").error);
  EXPECT_TRUE(fs::is_symlink(as11 / "fresh.bas"));
  EXPECT_EQ(read_file(project / "new.bas"), "fresh");

  // A loop of links is an error, not a hang.
  fs::create_symlink("loop2", as11 / "loop1");
  fs::create_symlink("loop1", as11 / "loop2");
  replace_result loop = replace_file((as11 / "loop1").string(), "x");
  ASSERT_TRUE(loop.error);
  EXPECT_EQ(loop.error->message, "cannot replace: Too many levels of symbolic links");
}

TEST(OutputFile, AHardLinkedLoaderLeavesItsOtherNameAlone) {
  temp_folder folder;
  fs::path target = folder.path / "line.bas";
  write_file(target, "old");
  fs::create_hard_link(target, folder.path / "backup.bas");
  EXPECT_FALSE(replace_file(target.string(), "new").error);
  EXPECT_EQ(read_file(target), "new");
  EXPECT_EQ(read_file(folder.path / "backup.bas"), "old");
}

TEST(OutputFile, RemovesOnlyTheFileItCreated) {
  temp_folder folder;
  fs::path path = folder.path / "line.bas.x.tmp";
  native_file file;
  system_failure reason;
  ASSERT_EQ(create_new_file(path.string(), file, reason), create_result::created);
  EXPECT_EQ(create_new_file(path.string(), file, reason), create_result::name_taken);
  close_quietly(file);
  // Someone puts another file under that name: it is theirs, and stays.
  write_file(folder.path / "theirs", "theirs");
  fs::rename(folder.path / "theirs", path);
  remove_own_file(path.string(), file);
  EXPECT_EQ(read_file(path), "theirs");

  native_file own;
  fs::path own_path = folder.path / "own.tmp";
  ASSERT_EQ(create_new_file(own_path.string(), own, reason), create_result::created);
  close_quietly(own);
  remove_own_file(own_path.string(), own);
  EXPECT_FALSE(fs::exists(own_path));
}
