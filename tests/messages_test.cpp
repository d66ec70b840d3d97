// What pokeloader says to a user who got something wrong, through the built
// binary, word for word: the command line, and a missing M.OUT for every
// usual reason. None of these runs may touch a file.
#include "test_support.hpp"
#include "tool_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char USAGE[] =
    "Usage: pokeloader [--help | --version]\n"
    "\n"
    "Turns the S-record file of a 6809 program into a CoCo 2 BASIC loader:\n"
    "  reads  c:/coco/as11/M.OUT     the assembler's Motorola S-records (S19)\n"
    "  writes c:/coco/as11/line.bas  a BASIC loader that POKEs them from 14252\n"
    "It takes no other arguments and no configuration.\n"
    "\n"
    "On Windows these paths are what they say. On Linux they are relative to the\n"
    "working folder: run pokeloader from the folder that holds c:.\n"
    "\n"
    "Exit status: 0  line.bas holds the new loader (warnings may follow on stderr)\n"
    "             1  nothing was changed; one line on stderr says why\n"
    "             2  an argument pokeloader does not take\n"
    "\n"
    "Every message, with its cause and fix: README.md (in the zip, or in\n"
    "/usr/share/doc/pokeloader), and man pokeloader.\n";

std::string refusal(const std::string& argument) {
  return "pokeloader: unexpected argument \"" + argument +
         "\": pokeloader takes no arguments and always reads c:/coco/as11/M.OUT, so copy your "
         "S-record file there (pokeloader --help tells more)\n";
}

// Every file in the folder, with its contents, to see that nothing changed;
// the run's own captured output aside.
std::string snapshot(const fs::path& folder) {
  std::string listing;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name == "out.txt" || name == "err.txt") continue;
    listing += entry.path().string() + "\n";
    if (entry.is_regular_file()) listing += read_file(entry.path()) + "\n";
  }
  return listing;
}

}  // namespace

TEST(Messages, CommandLineAnswersAndRefusalsTouchNoFile) {
  struct argument_case {
    const char* arguments;
    int status;
    std::string out;
    std::string err;
  };
  const std::vector<argument_case> cases = {
      {"--help", 0, USAGE, ""},
      {"-h", 0, USAGE, ""},
      {"--version", 0, "pokeloader " POKELOADER_VERSION "\n", ""},
      {"myprog.s19", 2, "", refusal("myprog.s19")},
      {"c:/coco/as11/M.OUT", 2, "", refusal("c:/coco/as11/M.OUT")},
      {"--verbose", 2, "", refusal("--verbose")},
      {"--help extra", 2, "", refusal("extra")},
      {"M.OUT --help", 2, "", refusal("M.OUT")},
  };
  for (const argument_case& c : cases) {
    tool_folder folder;
    fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
    write_file(folder.output, OLD_LOADER);
    std::string before = snapshot(folder.as11);
    run_result result = folder.run(c.arguments);
    EXPECT_EQ(result.status, c.status) << c.arguments;
    EXPECT_EQ(result.out, c.out) << c.arguments;
    EXPECT_EQ(result.err, c.err) << c.arguments;
    EXPECT_EQ(snapshot(folder.as11), before) << c.arguments;
  }
}

TEST(Messages, AMissingInputNamesTheFullPathAndTheLikelyFix) {
  // Each case arranges the temporary home (which holds c:/coco/as11 and an
  // empty folder "elsewhere") as the mistake leaves it; paths are relative
  // to that home.
  struct missing_case {
    const char* mistake;
    const char* saved_as;     // where the S-record file ended up, if anywhere
    const char* extra_folder;  // a folder the mistake made, if any
    bool without_as11;
    const char* run_from;
    const char* tried;
    const char* fix;
  };
  const std::vector<missing_case> cases = {
      {"saved as m.out", "c:/coco/as11/m.out", nullptr, false, ".", "c:/coco/as11/M.OUT",
       "found c:/coco/as11/m.out instead: the name must be M.OUT"},
      {"saved as M.out", "c:/coco/as11/M.out", nullptr, false, ".", "c:/coco/as11/M.OUT",
       "found c:/coco/as11/M.out instead: the name must be M.OUT"},
      {"saved as M.OUT.txt", "c:/coco/as11/M.OUT.txt", nullptr, false, ".", "c:/coco/as11/M.OUT",
       "found c:/coco/as11/M.OUT.txt instead: the name must be M.OUT"},
      {"one folder too high", "c:/coco/M.OUT", nullptr, false, ".", "c:/coco/as11/M.OUT",
       "found c:/coco/M.OUT, one folder too high: it belongs in c:/coco/as11"},
      {"run from inside c:/coco/as11", nullptr, nullptr, false, "c:/coco/as11",
       "c:/coco/as11/c:/coco/as11/M.OUT",
       "you are inside {home}/c:; run pokeloader from {home}, the folder that holds c:"},
      {"run from c:", nullptr, nullptr, false, "c:", "c:/c:/coco/as11/M.OUT",
       "you are inside {home}/c:; run pokeloader from {home}, the folder that holds c:"},
      {"run from the home folder", nullptr, nullptr, false, "elsewhere", "elsewhere/c:/coco/as11/M.OUT",
       "this folder holds no c: folder: run pokeloader from the folder that holds it (on Linux the "
       "path is relative to the working folder)"},
      {"a C: folder on Linux", nullptr, "upper/C:", false, "upper", "upper/c:/coco/as11/M.OUT",
       "this folder holds C:, but here names differ in case: it must be c:"},
      {"no as11 folder", nullptr, nullptr, true, ".", "c:/coco/as11/M.OUT",
       "the folder c:/coco/as11 does not exist: create it and have the assembler write M.OUT there"},
      {"nothing in as11", nullptr, nullptr, false, ".", "c:/coco/as11/M.OUT",
       "have the assembler write its S-record output (S19) to c:/coco/as11/M.OUT"},
  };
  for (const missing_case& c : cases) {
    tool_folder folder;
    const fs::path& home = folder.home.path;
    fs::create_directories(home / "elsewhere");
    if (c.saved_as != nullptr) fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", home / c.saved_as);
    if (c.extra_folder != nullptr) fs::create_directories(home / c.extra_folder);
    if (c.without_as11) fs::remove(folder.as11);
    std::string before = snapshot(home);
    run_result result = run_in(home / c.run_from, "'" POKELOADER_BINARY "'");
    std::string fix = c.fix;
    for (std::size_t at; (at = fix.find("{home}")) != std::string::npos;) fix.replace(at, 6, home.string());
    EXPECT_EQ(result.status, 1) << c.mistake;
    EXPECT_EQ(result.err, "pokeloader: " + home.string() + "/" + c.tried + ": not found: " + fix + "\n")
        << c.mistake;
    EXPECT_EQ(snapshot(home), before) << c.mistake;
  }
}
