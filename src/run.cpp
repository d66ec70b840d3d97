#include "run.hpp"

#include "coco_checks.hpp"
#include "conversion_run.hpp"

#include <utility>

std::vector<conversion_warning> make_loader(std::istream& s_records, std::string& loader) {
  program_summary program = convert(s_records, loader);
  long long stored_size = stored_program_size(loader);
  check_loader_fits(program.byte_count, stored_size);
  std::vector<conversion_warning> warnings = input_warnings(program);
  for (conversion_warning& warning : coco_warnings(program, stored_size)) {
    warnings.push_back(std::move(warning));
  }
  return warnings;
}
