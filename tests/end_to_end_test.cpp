// Runs the built pokeloader the way a user does: from a folder that holds
// c:/coco/as11, with nothing on the command line that matters.
#include "test_support.hpp"
#include "tool_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const char OLD_LOADER[] = "\r\nNEW\r\n\r\n10 DATA 1\r\n\r\n";

}  // namespace

TEST(EndToEnd, ConvertsTheBundledExampleSilently) {
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
  run_result result = folder.run("--ignored arguments");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(folder.output), read_file(fs::path(EXAMPLES_DIR) / "line.bas"));
}

TEST(EndToEnd, WritesTheExampleLoaderByteForByteOverAnOldOne) {
  tool_folder folder;
  write_file(folder.input, std::string(EXAMPLE_RECORD) + "\r\n");
  write_file(folder.output, OLD_LOADER);
  run_result result = folder.run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(folder.output), EXAMPLE_LOADER);
  EXPECT_FALSE(folder.temporary_left());
}

TEST(EndToEnd, BadInputFailsAndKeepsTheLastGoodLoader) {
  struct bad_input {
    std::string text;
    std::string message;
  };
  std::string full = std::string(EXAMPLE_RECORD) + "\r\n";
  std::string too_many;
  for (int i = 0; i < 200; ++i) too_many += s_record('1', 0x37AC + 32 * i, std::vector<std::uint8_t>(32, 1)) + "\n";
  const std::vector<bad_input> cases = {
      {":0300300002337A1E\r\n",
       "pokeloader: c:/coco/as11/M.OUT:1: expected a record starting with 'S', found ':'\n"},
      {full + "S12337CC0001\r\n",
       "pokeloader: c:/coco/as11/M.OUT:2: record is shorter than its byte count $23 says\n"},
      {"", "pokeloader: c:/coco/as11/M.OUT: no program bytes: the file has no S1, S2 or S3 record "
           "with data\n"},
      {too_many,
       "pokeloader: c:/coco/as11/M.OUT: program of 6400 bytes needs 200 DATA lines, but only 199 "
       "fit below line 2000 (at most 6368 bytes)\n"},
  };
  for (const bad_input& c : cases) {
    for (bool old_loader : {true, false}) {
      tool_folder folder;
      write_file(folder.input, c.text);
      if (old_loader) write_file(folder.output, OLD_LOADER);
      run_result result = folder.run();
      EXPECT_EQ(result.status, 1) << c.message;
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, c.message);
      if (old_loader) {
        EXPECT_EQ(read_file(folder.output), OLD_LOADER) << c.message;
      } else {
        EXPECT_FALSE(fs::exists(folder.output)) << c.message;
      }
      EXPECT_FALSE(folder.temporary_left()) << c.message;
    }
  }
}

TEST(EndToEnd, MissingInputCreatesNoLoader) {
  tool_folder folder;
  run_result result = folder.run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pokeloader: c:/coco/as11/M.OUT: cannot open: No such file or directory\n");
  EXPECT_TRUE(fs::is_empty(folder.as11));
}

TEST(EndToEnd, UnreadableInputIsAFailure) {
  tool_folder folder;
  fs::create_directory(folder.input);
  write_file(folder.output, OLD_LOADER);
  run_result result = folder.run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pokeloader: c:/coco/as11/M.OUT: cannot read: Is a directory\n");
  EXPECT_EQ(read_file(folder.output), OLD_LOADER);
}

TEST(EndToEnd, LoaderThatCannotBeReplacedIsAFailure) {
  tool_folder folder;
  write_file(folder.input, EXAMPLE_RECORD);
  fs::create_directory(folder.output);
  run_result result = folder.run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pokeloader: c:/coco/as11/line.bas: cannot replace: Is a directory\n");
  EXPECT_TRUE(fs::is_directory(folder.output));
  EXPECT_FALSE(folder.temporary_left());
}

TEST(EndToEnd, WarnsWhenTheLoaderWouldOverwriteItselfButStillWritesIt) {
  // 1042 three-digit values just fit below 14252 under Disk Extended Color
  // BASIC; one more does not.
  const std::string warning =
      "pokeloader: warning: the loader takes 4511 bytes as a BASIC program, so its own POKEs "
      "from 14252 on would overwrite it under Disk Extended Color BASIC (program from 9729); it "
      "fits under Extended Color BASIC (from 7681, 2046 bytes left for your lines after 2050) and "
      "Color BASIC (from 1537, 8190 bytes left for your lines after 2050)\n";
  for (int count : {1042, 1043}) {
    tool_folder folder;
    std::string program = repeated_byte_program(200, count);
    write_file(folder.input, program);
    run_result result = folder.run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, count == 1042 ? "" : warning);
    EXPECT_EQ(read_file(folder.output), convert_text(program)) << count;
  }
}
