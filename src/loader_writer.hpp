// Writes the Color BASIC loader: a fixed header, DATA lines of byte values,
// and the FOR/READ/POKE/NEXT loop that puts those bytes into memory.
// The writer knows nothing of S-records; the conversion run hands it line
// numbers, values and the final count, in the order the loader is read.
// The loader text is built in memory and goes to disk only once complete.
#pragma once

#include <string>

void write_header(std::string& loader);
void begin_data_line(std::string& loader, int line_number);
// The first value of a line follows " DATA " directly; later ones a comma.
void write_value(std::string& loader, int value, bool first);
void end_data_line(std::string& loader);
// The FOR line runs I from 0 to value_count - 1, then the fixed closing lines.
void write_trailer(std::string& loader, int value_count);
