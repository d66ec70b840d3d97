// pokeloader.exe, the Windows console program, run under Wine in a private
// prefix: it must open the real C:\coco\as11 of a Windows machine and behave
// exactly as the native build does, byte for byte.
#include "tool_folder.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string missing_windows_tools() {
  if (std::string(POKELOADER_WINDOWS_EXE).empty()) {
    return "x86_64-w64-mingw32-g++ (Debian g++-mingw-w64-x86-64) was not found when the build "
           "was configured, so pokeloader.exe was not built";
  }
  if (std::system("command -v wine >/dev/null 2>&1") != 0) {
    return "wine (Debian packages wine, wine64) is not installed";
  }
  return "";
}

// A Wine prefix in a temporary folder. Its drive_c is the C: drive the
// program sees, so it really opens "c:/coco/as11/M.OUT".
struct wine_prefix {
  temp_folder home;
  fs::path as11 = home.path / "drive_c" / "coco" / "as11";
  std::string environment = "env -u DISPLAY WINEPREFIX='" + home.path.string() +
                            "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";

  // The first start builds the prefix, takes some seconds and prints Wine's
  // own notes; doing it here keeps those out of the runs that are checked.
  wine_prefix() {
    run_in(home.path, environment + "wineboot -i");
    fs::create_directories(as11);
  }
  ~wine_prefix() { std::system((environment + "wineserver -k >/dev/null 2>&1").c_str()); }

  run_result run(const std::string& program = POKELOADER_WINDOWS_EXE, const std::string& arguments = "") {
    return run_in(home.path, environment + "wine '" + program + "' " + arguments);
  }
};

std::string with_line_ends(std::string text, const std::string& line_end) {
  std::string converted;
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos; text.erase(0, at + 2)) {
    converted += text.substr(0, at) + line_end;
  }
  return converted + text;
}

}  // namespace

TEST(WindowsBuild, UnderWineWritesWhatTheNativeBuildWrites) {
  if (std::string why = missing_windows_tools(); !why.empty()) GTEST_SKIP() << why;
  const std::string example = read_file(fs::path(EXAMPLES_DIR) / "M.OUT");
  const std::string first_record = example.substr(0, example.find("\r\n") + 2);
  struct windows_case {
    const char* name;
    std::string input;
    int status;
  };
  const std::vector<windows_case> cases = {
      {"the example, CR LF", example, 0},
      {"the example, LF only", with_line_ends(example, "\n"), 0},
      {"the example, CR only", with_line_ends(example, "\r"), 0},
      {"a loader large enough to warn", repeated_byte_program(200, 1043), 0},
      {"a bad pair", first_record + "S1XX\r\n", 1},
      {"no program bytes", "S9030000FC\r\n", 1},
      {"a gap", first_record + s_record('1', 0x3800, {1}) + "\r\n", 1},
      {"a loader that fits under no BASIC", program_records(loader_one_byte_too_large()), 1},
      {"a damaged record and no end record", first_record.substr(0, 72) + "00\r\n", 0},
  };
  const std::string old_loader = OLD_LOADER;
  wine_prefix windows;
  for (const windows_case& c : cases) {
    tool_folder native;
    write_file(native.input, c.input);
    write_file(native.output, old_loader);
    write_file(windows.as11 / "M.OUT", c.input);
    write_file(windows.as11 / "line.bas", old_loader);

    run_result expected = native.run();
    run_result actual = windows.run();
    EXPECT_EQ(expected.status, c.status) << c.name;
    EXPECT_EQ(actual.status, expected.status) << c.name;
    // Console text on Windows ends its lines in CR LF.
    EXPECT_EQ(with_line_ends(actual.err, "\n"), expected.err) << c.name;
    EXPECT_EQ(read_file(windows.as11 / "line.bas"), read_file(native.output)) << c.name;
    EXPECT_EQ(temporaries_in(windows.as11), 0) << c.name;
    if (c.status != 0) {
      EXPECT_EQ(read_file(windows.as11 / "line.bas"), old_loader) << c.name;
    }
  }
  // Leftovers of older runs or of anybody else, a read-only file and a
  // folder under the old fixed temporary name among them, neither block a
  // run nor are touched by it.
  write_file(windows.as11 / "M.OUT", example);
  write_file(windows.as11 / "line.bas.tmp", "leftover");
  fs::permissions(windows.as11 / "line.bas.tmp", fs::perms::owner_read);
  fs::create_directory(windows.as11 / "line.bas.1-2.tmp");
  EXPECT_EQ(windows.run().status, 0);
  EXPECT_EQ(read_file(windows.as11 / "line.bas"), read_file(fs::path(EXAMPLES_DIR) / "line.bas"));
  EXPECT_EQ(read_file(windows.as11 / "line.bas.tmp"), "leftover");
  EXPECT_TRUE(fs::is_directory(windows.as11 / "line.bas.1-2.tmp"));
  fs::remove(windows.as11 / "line.bas.tmp");
  fs::remove(windows.as11 / "line.bas.1-2.tmp");

  // A loader that cannot be replaced (a folder stands in its place): an
  // error, and the folder as it was.
  fs::remove(windows.as11 / "line.bas");
  fs::create_directory(windows.as11 / "line.bas");
  run_result blocked = windows.run();
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.err, "pokeloader: c:/coco/as11/line.bas: cannot replace: it is a folder, not a file\r\n");
  EXPECT_TRUE(fs::is_directory(windows.as11 / "line.bas"));
  EXPECT_EQ(temporaries_in(windows.as11), 0);
  fs::remove(windows.as11 / "line.bas");

  // A folder where M.OUT should be is named for what it is.
  fs::create_directory(windows.as11 / "M.OUT.dir");
  fs::rename(windows.as11 / "M.OUT", windows.as11 / "M.OUT.txt");
  fs::rename(windows.as11 / "M.OUT.dir", windows.as11 / "M.OUT");
  run_result folder_input = windows.run();
  EXPECT_EQ(folder_input.status, 1);
  EXPECT_EQ(folder_input.err, "pokeloader: c:/coco/as11/M.OUT: cannot open: it is a folder, not a file\r\n");
  fs::remove(windows.as11 / "M.OUT");
  fs::remove(windows.as11 / "M.OUT.txt");

  // And with no input at all: an error, and no loader made.
  fs::remove(windows.as11 / "M.OUT");
  run_result missing = windows.run();
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err,
            "pokeloader: c:/coco/as11/M.OUT: not found: have the assembler write its S-record output "
            "(S19) to c:/coco/as11/M.OUT\r\n");
  EXPECT_TRUE(fs::is_empty(windows.as11));

  // Notepad's habit of adding .txt is named; arguments are answered or
  // refused before any file is touched.
  write_file(windows.as11 / "M.OUT.txt", example);
  run_result text_file = windows.run();
  EXPECT_EQ(text_file.status, 1);
  EXPECT_EQ(text_file.err,
            "pokeloader: c:/coco/as11/M.OUT: not found: found c:/coco/as11/M.OUT.txt instead: the "
            "name must be M.OUT\r\n");
  fs::rename(windows.as11 / "M.OUT.txt", windows.as11 / "M.OUT");
  run_result version = windows.run(POKELOADER_WINDOWS_EXE, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "pokeloader " POKELOADER_VERSION "\r\n");
  run_result named = windows.run(POKELOADER_WINDOWS_EXE, "myprog.s19");
  EXPECT_EQ(named.status, 2);
  EXPECT_EQ(named.err.substr(0, 44), "pokeloader: unexpected argument \"myprog.s19\"");
  EXPECT_FALSE(fs::exists(windows.as11 / "line.bas"));
}

TEST(WindowsBuild, FileCallsOfTheFailurePathsUnderWine) {
  if (std::string why = missing_windows_tools(); !why.empty()) GTEST_SKIP() << why;
  wine_prefix windows;
  fs::path check = fs::path(POKELOADER_WINDOWS_EXE).parent_path() / "native_file_check.exe";
  run_result result = windows.run(check.string());
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(read_file(windows.home.path / "old.bas"), "new");
}
