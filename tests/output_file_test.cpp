#include "output_file.hpp"

#include "temp_folder.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(OutputFile, ReplacesTheOldFileAndLeavesNoTemporary) {
  temp_folder folder;
  fs::path target = folder.path / "line.bas";
  write_file(target, "old loader\r\n");
  EXPECT_FALSE(replace_file(target.string(), "new\r\nloader\r\n"));
  EXPECT_EQ(read_file(target), "new\r\nloader\r\n");
  EXPECT_EQ(names_in(folder.path), std::vector<std::string>{"line.bas"});
}

TEST(OutputFile, FailedReplaceKeepsTheOldFileAndLeavesNoTemporary) {
  temp_folder folder;
  // A folder where the file should go cannot be replaced by a file.
  fs::path target = folder.path / "line.bas";
  fs::create_directory(target);
  write_file(target / "keep", "kept");
  std::optional<file_error> error = replace_file(target.string(), "new");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->path, target.string());
  EXPECT_EQ(error->message, "cannot replace: Is a directory");
  EXPECT_EQ(read_file(target / "keep"), "kept");
  EXPECT_EQ(names_in(folder.path), std::vector<std::string>{"line.bas"});
}

TEST(OutputFile, MissingFolderCreatesNothing) {
  temp_folder folder;
  fs::path target = folder.path / "as11" / "line.bas";
  std::optional<file_error> error = replace_file(target.string(), "new");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->path, target.string() + ".tmp");
  EXPECT_EQ(error->message, "cannot create: No such file or directory");
  EXPECT_TRUE(names_in(folder.path).empty());
}

TEST(OutputFile, FullDiskIsReportedEvenWhenOnlyTheCloseFails) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this host";
  // Small enough to sit in the stdio buffer until fclose flushes it.
  std::optional<file_error> error = write_whole_file("/dev/full", "10 DATA 1\r\n");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->message, "cannot write: No space left on device");
  error = write_whole_file("/dev/full", std::string(1 << 20, 'x'));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->message, "cannot write: No space left on device");
}
