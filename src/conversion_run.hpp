// One conversion: S-record text in, the complete BASIC loader out.
// Works on any streams, so it can be driven in memory as well as on files.
#pragma once

#include "record_reader.hpp"

#include <istream>
#include <string>

// Reads the whole program from s_records and appends its loader to loader.
// Throws conversion_error when the text is not a program the loader can
// place; the caller must then discard whatever reached loader.
void convert(std::istream& s_records, std::string& loader);
