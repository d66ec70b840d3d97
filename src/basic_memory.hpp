// How much of the CoCo's memory the loader takes once it is typed in, and
// whether its own POKEs from 14252 on would overwrite it while it runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bytes Color BASIC stores for one loader line ("2010 READ K" takes 8);
// 0 for the lines it does not store: empty ones and the NEW command.
int stored_line_size(std::string_view line);

// Bytes the whole loader text (CR LF lines) takes as a stored program.
long long stored_program_size(std::string_view loader);

// The warning for a loader of stored_size bytes that does not fit below
// 14252 under every BASIC; nothing when it does.
std::optional<std::string> memory_warning(long long stored_size);
