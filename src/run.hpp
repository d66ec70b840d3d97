// The whole job in memory: M.OUT's text in, the loader and everything the
// user must be told about it out. main adds the files and the console.
#pragma once

#include "diagnostic.hpp"

#include <istream>
#include <string>
#include <vector>

// Converts s_records into loader and checks the program against the CoCo.
// Throws conversion_error when no loader may be written; otherwise answers
// the warnings in the order they are printed: problems of the file first,
// then of the CoCo.
std::vector<conversion_warning> make_loader(std::istream& s_records, std::string& loader);
