// The built pokeloader against what a real system throws at it: each of its
// file-system calls failing in turn (strace's fault injection), kills in the
// middle of a run, runs overlapping in one folder while a reader watches
// line.bas, and a console that stopped listening. Whatever happens, line.bas
// is one complete loader and the exit status tells the truth.
#include "test_support.hpp"
#include "tool_folder.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool strace_works() {
  return std::system("strace -o /dev/null true >/dev/null 2>&1") == 0;
}

// One system call of a traced run: its name, which call of that name it
// was (from 1, as strace's when= counts), and its arguments.
struct traced_call {
  std::string name;
  int occurrence;
  std::string arguments;
};

std::vector<traced_call> trace_of(tool_folder& folder) {
  run_result traced = folder.run_with("strace -o trace.txt");
  EXPECT_EQ(traced.status, 0) << traced.err;
  std::vector<traced_call> calls;
  std::map<std::string, int> seen;
  std::istringstream trace(read_file(folder.home.path / "trace.txt"));
  const std::regex call(R"(^([a-z0-9_]+)\((.*)$)");
  for (std::string line; std::getline(trace, line);) {
    std::smatch match;
    if (std::regex_match(line, match, call)) {
      calls.push_back({match[1], ++seen[match[1]], match[2]});
    }
  }
  fs::remove(folder.home.path / "trace.txt");
  return calls;
}

// The first call of that name whose arguments hold part.
traced_call first_call(const std::vector<traced_call>& calls, const std::string& name,
                       const std::string& part) {
  for (const traced_call& call : calls) {
    if (call.name == name && call.arguments.find(part) != std::string::npos) return call;
  }
  ADD_FAILURE() << "no " << name << " call with " << part << " in the trace";
  return {};
}

// Calls that belong to starting and ending the process, not to its files.
bool is_process_call(const std::string& name) {
  static const char* const names[] = {"execve", "brk",  "arch_prctl", "set_tid_address",
                                      "set_robust_list", "rseq", "prlimit64", "mprotect",
                                      "exit_group", "futex", "rt_sigaction", "mmap", "munmap"};
  for (const char* process : names) {
    if (name == process) return true;
  }
  return false;
}

struct injected_run {
  traced_call call;
  run_result result;
};

injected_run run_failing(tool_folder& folder, const traced_call& call, const char* error) {
  write_file(folder.output, OLD_LOADER);
  std::string inject = "strace -o /dev/null -e inject=" + call.name + ":error=" + error +
                       ":when=" + std::to_string(call.occurrence);
  return {call, folder.run_with(inject)};
}

std::string describe(const injected_run& run) {
  return run.call.name + " #" + std::to_string(run.call.occurrence) + " (" +
         run.call.arguments.substr(0, 60) + ") -> " + std::to_string(run.result.status) + ": " +
         run.result.err;
}

// What every run must show, whichever call failed.
void expect_truthful(tool_folder& folder, const injected_run& run, const std::string& new_loader) {
  const run_result& result = run.result;
  EXPECT_FALSE(folder.temporary_left()) << describe(run);
  if (result.status == 0) {
    EXPECT_EQ(read_file(folder.output), new_loader) << describe(run);
    std::istringstream lines(result.err);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_EQ(line.rfind("pokeloader: warning: ", 0), 0u) << describe(run);
    }
  } else {
    EXPECT_EQ(result.status, 1) << describe(run);
    EXPECT_EQ(read_file(folder.output), OLD_LOADER) << describe(run);
    EXPECT_EQ(result.err.rfind("pokeloader: ", 0), 0u) << describe(run);
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << describe(run);
  }
}

}  // namespace

TEST(FaultInjection, EveryFailingFileSystemCallIsReportedAndKeepsTheOldLoader) {
  if (!strace_works()) GTEST_SKIP() << "strace (Debian package strace) cannot run here";
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
  const std::string new_loader = read_file(fs::path(EXAMPLES_DIR) / "line.bas");
  write_file(folder.output, OLD_LOADER);
  std::vector<traced_call> calls = trace_of(folder);

  std::vector<injected_run> runs;
  for (const traced_call& call : calls) {
    if (is_process_call(call.name)) continue;
    runs.push_back(run_failing(folder, call, "EIO"));
    expect_truthful(folder, runs.back(), new_loader);
  }
  // The calls that make the loader must each stop the run when they fail;
  // only flushing the folder, after the rename, is a warning.
  auto result_of = [&](const std::string& name, const std::string& part) -> run_result {
    traced_call wanted = first_call(calls, name, part);
    for (const injected_run& run : runs) {
      if (run.call.name == wanted.name && run.call.occurrence == wanted.occurrence) return run.result;
    }
    return {};
  };
  const std::string at = "pokeloader: c:/coco/as11/";
  EXPECT_EQ(result_of("openat", "M.OUT").err, "pokeloader: " + folder.home.path.string() +
                                                  "/c:/coco/as11/M.OUT: cannot open: Input/output error\n");
  EXPECT_EQ(result_of("read", "S1").err, at + "M.OUT: cannot read: Input/output error\n");
  EXPECT_EQ(result_of("openat", ".tmp").err, at + "line.bas: cannot write: Input/output error\n");
  EXPECT_EQ(result_of("write", "NEW").err, at + "line.bas: cannot write: Input/output error\n");
  EXPECT_EQ(result_of("rename", ".tmp").err, at + "line.bas: cannot replace: Input/output error\n");
  std::vector<const injected_run*> fsyncs;
  for (const injected_run& run : runs) {
    if (run.call.name == "fsync") fsyncs.push_back(&run);
  }
  ASSERT_EQ(fsyncs.size(), 2u) << "the new file, then its folder";
  EXPECT_EQ(fsyncs[0]->result.err, at + "line.bas: cannot write: Input/output error\n");
  EXPECT_EQ(fsyncs[1]->result.status, 0);
  EXPECT_EQ(fsyncs[1]->result.err,
            "pokeloader: warning: c:/coco/as11/line.bas: the new loader is in place, but its folder "
            "could not be flushed to disk, so a power cut now may lose it: Input/output error\n");

  // A full disk, and a file too large for the process's limit.
  for (const char* error : {"ENOSPC", "EFBIG"}) {
    injected_run full = run_failing(folder, {"write", 1, ""}, error);
    expect_truthful(folder, full, new_loader);
    EXPECT_EQ(full.result.status, 1) << error;
  }
}

TEST(FaultInjection, OutputMessagesNameTheLoaderAndWhatToCheck) {
  if (!strace_works()) GTEST_SKIP() << "strace (Debian package strace) cannot run here";
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
  write_file(folder.output, OLD_LOADER);
  std::vector<traced_call> calls = trace_of(folder);
  struct output_case {
    traced_call call;
    const char* error;
    const char* message;
  };
  const traced_call create = first_call(calls, "openat", ".tmp");
  const traced_call write = first_call(calls, "write", "NEW");
  const traced_call rename = first_call(calls, "rename", ".tmp");
  const std::vector<output_case> cases = {
      {create, "EACCES", "cannot write: the folder c:/coco/as11 is not writable (Permission denied)"},
      {create, "EROFS", "cannot write: the folder c:/coco/as11 is on a read-only disk (Read-only file system)"},
      {create, "ENOSPC", "cannot write: the disk is full (No space left on device)"},
      {write, "ENOSPC", "cannot write: the disk is full (No space left on device)"},
      {write, "EDQUOT", "cannot write: the disk is full (Disk quota exceeded)"},
      {write, "EFBIG", "cannot write: the file would be larger than this system allows (File too large)"},
      {rename, "EACCES",
       "cannot replace: line.bas is read-only or its folder c:/coco/as11 is not writable (Permission denied)"},
      {rename, "EBUSY", "cannot replace: line.bas is open in another program (Device or resource busy)"},
  };
  for (const output_case& c : cases) {
    injected_run run = run_failing(folder, c.call, c.error);
    EXPECT_EQ(run.result.err, std::string("pokeloader: c:/coco/as11/line.bas: ") + c.message + "\n")
        << describe(run);
    expect_truthful(folder, run, read_file(fs::path(EXAMPLES_DIR) / "line.bas"));
  }
}

TEST(FaultInjection, AKillInTheMiddleLeavesTheOldLoaderWhole) {
  if (!strace_works()) GTEST_SKIP() << "strace (Debian package strace) cannot run here";
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
  for (const char* call : {"write", "fsync", "close", "rename"}) {
    write_file(folder.output, OLD_LOADER);
    run_result killed = folder.run_with(std::string("strace -o /dev/null -e inject=") + call +
                                        ":signal=KILL:when=1");
    EXPECT_NE(killed.status, 0) << call;
    EXPECT_EQ(read_file(folder.output), OLD_LOADER) << call;
    // A kill -9 may leave the run's own "line.bas.<unique>.tmp" behind, never more.
    EXPECT_LE(temporaries_in(folder.as11), 1) << call;
    for (const auto& entry : fs::directory_iterator(folder.as11)) {
      if (entry.path().extension() == ".tmp") fs::remove(entry.path());
    }
  }
}

TEST(FaultInjection, ARunKilledWhileAnotherRenamesCannotEmptyTheLoader) {
  if (!strace_works()) GTEST_SKIP() << "strace (Debian package strace) cannot run here";
  // The first run waits a second before its rename; meanwhile a second run
  // is killed in its first write. The first must still put a whole loader
  // in place and say so.
  tool_folder folder;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "M.OUT", folder.input);
  write_file(folder.output, OLD_LOADER);
  const std::string tool = "'" POKELOADER_BINARY "'";
  run_result result = run_in(
      folder.home.path,
      "{ (strace -o /dev/null -e inject=rename:delay_enter=1000000 " + tool + "; echo $? >slow.txt) & "
      "sleep 0.4; strace -o /dev/null -e inject=write:signal=KILL:when=1 " + tool + "; wait; }");
  EXPECT_NE(result.err.find("Killed"), std::string::npos) << "the second run was not killed";
  EXPECT_EQ(read_file(folder.home.path / "slow.txt"), "0\n");
  EXPECT_EQ(read_file(folder.output), read_file(fs::path(EXAMPLES_DIR) / "line.bas"));
}

namespace {

// Starts the tool in folder with its output and errors going to err_fd.
pid_t start_tool(const fs::path& folder, int err_fd) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    int null_fd = open("/dev/null", O_WRONLY);
    if (chdir(folder.c_str()) != 0 || null_fd < 0) _exit(125);
    dup2(null_fd, 1);
    dup2(err_fd, 2);
    execl(POKELOADER_BINARY, "pokeloader", static_cast<char*>(nullptr));
    _exit(126);
  }
  return pid;
}

int exit_status(pid_t pid, bool* killed = nullptr) {
  int status = 0;
  waitpid(pid, &status, 0);
  if (killed != nullptr) *killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Puts text at path in one step, as an editor saving M.OUT would.
void swap_in(const fs::path& path, const std::string& text) {
  write_file(path.string() + ".new", text);
  fs::rename(path.string() + ".new", path);
}

}  // namespace

TEST(FileSafety, OverlappingRunsOnlyEverShowAWholeLoader) {
  tool_folder folder;
  const std::string program_a = read_file(fs::path(EXAMPLES_DIR) / "M.OUT");
  // The larger the loader, the longer a run spends writing it: this is the
  // largest one that fits under any BASIC.
  const std::string program_b = repeated_byte_program(200, 2999);
  const std::string loader_a = convert_text(program_a);
  const std::string loader_b = convert_text(program_b);
  write_file(folder.output, OLD_LOADER);
  swap_in(folder.input, program_a);
  int null_fd = open("/dev/null", O_WRONLY);

  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  std::string seen_broken;
  std::thread reader([&] {
    while (!stop) {
      std::string text = read_file(folder.output);
      if (text != OLD_LOADER && text != loader_a && text != loader_b && seen_broken.empty()) {
        seen_broken = text;
      }
      ++reads;
    }
  });

  std::mt19937 random(14252);
  int kills = 0;
  for (int round = 0; round < 300; ++round) {
    // Four runs at once, M.OUT changing under them; one is killed.
    std::vector<pid_t> runs;
    for (int i = 0; i < 4; ++i) {
      if (random() % 2) swap_in(folder.input, random() % 2 ? program_a : program_b);
      runs.push_back(start_tool(folder.home.path, null_fd));
    }
    std::size_t victim = random() % runs.size();
    // A run takes about a millisecond: kill within it.
    usleep(static_cast<useconds_t>(random() % 1500));
    kill(runs[victim], SIGKILL);
    for (std::size_t i = 0; i < runs.size(); ++i) {
      bool killed = false;
      int status = exit_status(runs[i], &killed);
      if (i == victim) {
        kills += killed;
        EXPECT_TRUE(killed || status == 0) << "round " << round << ": " << status;
      } else {
        EXPECT_EQ(status, 0) << "round " << round;
      }
    }
    std::string now = read_file(folder.output);
    EXPECT_TRUE(now == loader_a || now == loader_b) << "round " << round << ":\n" << now;
  }
  stop = true;
  reader.join();
  close(null_fd);
  EXPECT_EQ(seen_broken, "") << "a reader saw something that is not a whole loader";
  EXPECT_GT(reads.load(), 200);
  // Only a killed run can leave its temporary file behind.
  EXPECT_LE(temporaries_in(folder.as11), kills);
}

TEST(FileSafety, AFileSizeLimitIsReportedAndLeavesNothingBehind) {
  // ulimit -f counts 1024-byte blocks: the message fits, the loader does not.
  tool_folder folder;
  write_file(folder.input, repeated_byte_program(200, 600));
  write_file(folder.output, OLD_LOADER);
  run_result result = folder.run_with("ulimit -f 1;");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "pokeloader: c:/coco/as11/line.bas: cannot write: the file would be larger than this "
            "system allows (File too large)\n");
  EXPECT_EQ(read_file(folder.output), OLD_LOADER);
  EXPECT_FALSE(folder.temporary_left());
}

TEST(FileSafety, AConsoleThatStoppedListeningDoesNotTurnSuccessIntoFailure) {
  tool_folder folder;
  write_file(folder.input, EXAMPLE_RECORD);  // no end record: a warning is due
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  close(pipe_fds[0]);
  pid_t pid = start_tool(folder.home.path, pipe_fds[1]);
  close(pipe_fds[1]);
  EXPECT_EQ(exit_status(pid), 0);
  EXPECT_EQ(read_file(folder.output), EXAMPLE_LOADER);
}
