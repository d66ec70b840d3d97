// The CoCo 2 as the loader meets it: how much of BASIC's memory the typed-in
// loader takes, whether its own POKEs from 14252 on reach it, whether the
// program fits a 16K machine, and whether it was assembled to run where the
// loader puts it. The figures come from the Color BASIC ROM listings.
#pragma once

#include "conversion_run.hpp"
#include "diagnostic.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// ---- How BASIC stores the loader -------------------------------------------

// Each program line is a 2-byte link, a 2-byte line number, the tokenized
// text and a 0 byte; a 2-byte zero link ends the program. Each keyword is one
// byte; after DATA or REM the text is kept as typed. The space after the line
// number is not stored.
inline constexpr int STORED_LINE_OVERHEAD = 2 + 2 + 1;
inline constexpr int STORED_PROGRAM_END = 2;
inline constexpr const char* LOADER_KEYWORDS[] = {"REM", "DATA", "FOR", "TO", "READ", "POKE", "NEXT"};

// The loop's variables I and K, 7 bytes each, follow the program text.
inline constexpr int LOADER_VARIABLES_SIZE = 2 * 7;

// ---- Where BASIC puts it -----------------------------------------------------

// Where program text begins under each BASIC a CoCo 2 may run, the one that
// leaves the least room first, and where it begins after PCLEAR 1 (typed
// before the loader is entered). Color BASIC has no PCLEAR.
struct basic_family {
  const char* name;
  int program_start;
  int pclear1_start;  // 0: no PCLEAR
};
inline constexpr basic_family BASIC_FAMILIES[] = {
    {"Disk", 9729, 5121},      // Disk Extended Color BASIC: $2601, $1401
    {"Extended", 7681, 3073},  // Extended Color BASIC: $1E01, $0C01
    {"Color", 1537, 0},        // Color BASIC: $0601, the lowest start of all
};
inline constexpr int LOWEST_PROGRAM_START = 1537;

// ---- A 16K CoCo 2 -----------------------------------------------------------

// The default 200 bytes of string space sit at the top of BASIC's RAM,
// 16183..16382, and while the loader runs BASIC's stack reaches down to
// 16122 right below them. Nothing exists from 16384 up.
inline constexpr int SIXTEEN_K_LAST_FREE_BYTE = 16121;
inline constexpr int SIXTEEN_K_STRINGS_START = 16183;
inline constexpr int SIXTEEN_K_RAM_END = 16383;

// ---- The checks ---------------------------------------------------------------

// Bytes Color BASIC stores for one loader line ("2010 READ K" takes 8);
// 0 for the lines it does not store: empty ones and the NEW command.
int stored_line_size(std::string_view line);

// Bytes the whole loader text (CR LF lines) takes as a stored program.
long long stored_program_size(std::string_view loader);

// Throws conversion_error when the loader's own POKEs would overwrite it
// even from the lowest start any CoCo 2 BASIC offers.
void check_loader_fits(long long byte_count, long long stored_size);

// The warning for a loader of stored_size bytes that does not fit below
// 14252 under every BASIC at its usual start; nothing when it does. Meant
// for loaders check_loader_fits let through (at most 12701 bytes).
std::optional<std::string> memory_warning(long long stored_size);

// Everything about the CoCo the user must know before typing the loader in,
// in this order: the loader overwritten by its POKEs, a 16K machine, the
// address the program was assembled for, where it starts.
std::vector<conversion_warning> coco_warnings(const program_summary& program, long long stored_size);
