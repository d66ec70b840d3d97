// A working folder for running a built pokeloader the way a user does.
#pragma once

#include "temp_folder.hpp"
#include "test_support.hpp"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

struct run_result {
  int status;
  std::string out;
  std::string err;
};

// Runs a shell command in folder, collecting its exit status and output.
inline run_result run_in(const std::filesystem::path& folder, const std::string& command) {
  std::string line = "cd '" + folder.string() + "' && " + command + " >out.txt 2>err.txt";
  int status = std::system(line.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(folder / "out.txt"),
          read_file(folder / "err.txt")};
}

inline int temporaries_in(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.starts_with("line.bas.") && name.ends_with(".tmp")) ++count;
  }
  return count;
}

// A temporary folder holding c:/coco/as11, from which the native build runs.
struct tool_folder {
  temp_folder home;
  std::filesystem::path as11 = home.path / "c:" / "coco" / "as11";
  std::filesystem::path input = as11 / "M.OUT";
  std::filesystem::path output = as11 / "line.bas";

  tool_folder() { std::filesystem::create_directories(as11); }

  run_result run(const std::string& arguments = "") {
    return run_in(home.path, "'" POKELOADER_BINARY "' " + arguments);
  }

  // Run under another command: "strace -o trace.txt", "timeout 10".
  run_result run_with(const std::string& wrapper) {
    return run_in(home.path, wrapper + " '" POKELOADER_BINARY "'");
  }

  // Any "line.bas.<unique>.tmp" of a run's in the loader's folder.
  bool temporary_left() const { return temporaries_in(as11) > 0; }
};
