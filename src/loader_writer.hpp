// Writes the Color BASIC loader: a fixed header, DATA lines of byte values,
// and the FOR/READ/POKE/NEXT loop that puts those bytes into memory.
// The writer knows nothing of S-records; the conversion run hands it line
// numbers, values and the final count, in the order the loader is read.
#pragma once

#include <ostream>

void write_header(std::ostream& loader);
void begin_data_line(std::ostream& loader, int line_number);
// The first value of a line follows " DATA " directly; later ones a comma.
void write_value(std::ostream& loader, int value, bool first);
void end_data_line(std::ostream& loader);
// The FOR line runs I from 0 to value_count - 1, then the fixed closing lines.
void write_trailer(std::ostream& loader, int value_count);
