// Runs the built pokeloader the way a user does: from a folder that holds
// c:/coco/as11, with nothing on the command line that matters.
#include "test_support.hpp"
#include "tool_folder.hpp"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(EndToEnd, ConvertsTheBundledExampleSilently) {
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
  run_result result = folder.run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(folder.output), read_file(fs::path(EXAMPLES_DIR) / "line.bas"));
}

TEST(EndToEnd, WritesTheExampleLoaderByteForByteOverAnOldOne) {
  tool_folder folder;
  write_file(folder.input, std::string(EXAMPLE_RECORD) + "\r\nS90337AC19\r\n");
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
       "pokeloader: c:/coco/as11/M.OUT:1: a line of Intel HEX, not a Motorola S-record: set the "
       "assembler to write S-records (S19)\n"},
      {full + "S12337CC0001\r\n",
       "pokeloader: c:/coco/as11/M.OUT:2: record is shorter than its byte count $23 says\n"},
      {"", "pokeloader: c:/coco/as11/M.OUT: the file is empty: did the assembler fail? Look at its "
           "messages and assemble again\n"},
      {"\xFF\xFEs\x001\x00", "pokeloader: c:/coco/as11/M.OUT: the file is saved as UTF-16 text: save it "
                             "as plain text (ANSI or UTF-8) or set the assembler to write plain "
                             "S-records\n"},
      {too_many,
       "pokeloader: c:/coco/as11/M.OUT: program of 6400 bytes needs 200 DATA lines, but only 199 "
       "fit below line 2000 (at most 6368 bytes)\n"},
      {program_records(loader_one_byte_too_large()),
       "pokeloader: c:/coco/as11/M.OUT: program of 3000 bytes makes a loader of 12702 bytes in "
       "BASIC, over the 12701 that fit from 1537 below 14252: it would overwrite itself under "
       "every CoCo 2 BASIC\n"},
      {full + s_record('5', 2, {}) + "\r\nS90337AC19\r\n",
       "pokeloader: c:/coco/as11/M.OUT:2: the S5 record counts 2 data records before it, but 1 "
       "were read: records were lost or added; assemble the program again\n"},
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
  EXPECT_EQ(result.err, "pokeloader: " + folder.home.path.string() +
                            "/c:/coco/as11/M.OUT: not found: have the assembler write its "
                            "S-record output (S19) to c:/coco/as11/M.OUT\n");
  EXPECT_TRUE(fs::is_empty(folder.as11));
}

TEST(EndToEnd, InputThatIsNoFileIsRefusedAtOnce) {
  struct input_case {
    const char* what;
    void (*plant)(const fs::path&);
    const char* message;
  };
  const input_case cases[] = {
      {"folder", [](const fs::path& p) { fs::create_directory(p); },
       "/c:/coco/as11/M.OUT: cannot open: it is a folder, not a file\n"},
      {"FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       "/c:/coco/as11/M.OUT: cannot open: it is a FIFO (named pipe), not a file\n"},
      {"device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
       "/c:/coco/as11/M.OUT: cannot open: it is a device, not a file\n"},
      {"socket",
       [](const fs::path& p) {
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         ASSERT_LT(p.string().size(), sizeof address.sun_path);
         std::strcpy(address.sun_path, p.c_str());
         int fd = socket(AF_UNIX, SOCK_STREAM, 0);
         ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
         close(fd);
       },
       "/c:/coco/as11/M.OUT: cannot open: it is a socket, not a file\n"},
  };
  for (const input_case& c : cases) {
    tool_folder folder;
    c.plant(folder.input);
    write_file(folder.output, OLD_LOADER);
    // A run that waited on the FIFO would be stopped here and fail the test.
    run_result result = folder.run_with("timeout -s KILL 10");
    EXPECT_EQ(result.status, 1) << c.what;
    EXPECT_EQ(result.err, "pokeloader: " + folder.home.path.string() + c.message);
    EXPECT_EQ(read_file(folder.output), OLD_LOADER) << c.what;
  }
  // A link to a file is the file.
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.home.path / "program.s19");
  fs::create_symlink(folder.home.path / "program.s19", folder.input);
  EXPECT_EQ(folder.run().status, 0);
  EXPECT_EQ(read_file(folder.output), read_file(fs::path(EXAMPLES_DIR) / "line.bas"));
}

TEST(EndToEnd, LoaderThatCannotBeReplacedIsAFailure) {
  tool_folder folder;
  write_file(folder.input, EXAMPLE_RECORD);
  fs::create_directory(folder.output);
  run_result result = folder.run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pokeloader: c:/coco/as11/line.bas: cannot replace: it is a folder, not a file\n");
  EXPECT_TRUE(fs::is_directory(folder.output));
  EXPECT_FALSE(folder.temporary_left());
}

TEST(EndToEnd, WarningsComeAfterTheLoaderIsReplacedInAFixedOrder) {
  // 1900 bytes assembled for $4000, one record damaged, no end record: the
  // file's problems first, then the CoCo's, each on a line of its own.
  std::string text;
  for (int at = 0; at < 1900; at += 32) {
    text += s_record('1', static_cast<std::uint32_t>(0x4000 + at),
                     std::vector<std::uint8_t>(static_cast<std::size_t>(std::min(32, 1900 - at)), 200)) +
            "\r\n";
  }
  text.replace(text.find("\r\n") - 2, 2, "00");
  tool_folder folder;
  write_file(folder.input, text);
  write_file(folder.output, OLD_LOADER);
  run_result result = folder.run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "pokeloader: warning: c:/coco/as11/M.OUT:1: checksum $00, expected $9C (the only "
            "record that does not match): M.OUT may be damaged; assemble again unless you patched "
            "it by hand\n"
            "pokeloader: warning: c:/coco/as11/M.OUT: no S9, S8 or S7 end record: M.OUT may have "
            "been cut short; check that the last DATA line ends with the program's last bytes\n"
            "pokeloader: warning: the loader (8101 bytes in BASIC) overwrites itself under Disk "
            "and Extended BASIC: type PCLEAR 1 before entering it, leaving 1016 (Disk) or 3064 "
            "(Extended) bytes for lines after 2050\n"
            "pokeloader: warning: on a 16K CoCo 2 the POKEs up to 16151 ($3F17) run into BASIC's "
            "stack and crash the loader: the program needs a 32K or 64K machine\n"
            "pokeloader: warning: c:/coco/as11/M.OUT:1: assembled for $4000, but the loader puts "
            "the program at $37AC: unless it is position-independent, assemble with ORG $37AC\n");
  EXPECT_EQ(read_file(folder.output), convert_text(text));
  EXPECT_FALSE(folder.temporary_left());
}

TEST(EndToEnd, EntryPointWarningNamesTheEndRecordsLine) {
  tool_folder folder;
  write_file(folder.input, std::string(EXAMPLE_RECORD) + "\r\n" + s_record('9', 0x37B6, {}) + "\r\n");
  run_result result = folder.run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err,
            "pokeloader: warning: c:/coco/as11/M.OUT:2: the program starts 10 bytes in, at $37B6: "
            "type EXEC 14252+10 to run it, not EXEC 14252\n");
  EXPECT_EQ(read_file(folder.output), EXAMPLE_LOADER);
}
