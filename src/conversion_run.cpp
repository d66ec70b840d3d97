#include "conversion_run.hpp"

#include "format.hpp"
#include "loader_writer.hpp"
#include "record_reader.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Wide counts: a file far past the loader's limit is still counted exactly
// for the message, without overflow.
struct conversion_run {
  long long line_number = 0;  // number of the last DATA line begun
  long long value_count = 0;  // program bytes seen so far
  bool end_of_data = false;   // an end record was read
  std::uint64_t next_address = 0;  // where the next data record must begin, once one was read
  long long records = 0;           // records of any type read
  long long data_records = 0;      // S1, S2 and S3 records read, for the S5/S6 count
  program_summary program;
};

record_mark mark_of(const srecord& record) { return {record.line, record.type, record.address}; }

constexpr char UNBROKEN_BLOCK[] = ", but the loader can place only one unbroken block";

// The loader POKEs one unbroken block from a single start address, so each
// record has to carry on exactly where the one before it stopped.
void check_continuity(conversion_run& run, const srecord& record) {
  if (run.value_count == 0) {
    run.program.start = mark_of(record);
  } else if (record.address > run.next_address) {
    throw conversion_error{
        record.line, "record at " + hex_text(record.address, 4) + " leaves a gap of " +
                         bytes_text(record.address - run.next_address) +
                         " after the previous record, which ends at " +
                         hex_text(run.next_address - 1, 4) + UNBROKEN_BLOCK +
                         ": space reserved with RMB or DS in mid-program does this; move it to "
                         "the end, or fill it with FCB 0"};
  } else if (record.address < run.next_address) {
    std::uint64_t end = std::min<std::uint64_t>(run.next_address, record.address + record.data.size());
    throw conversion_error{
        record.line, "record at " + hex_text(record.address, 4) + " overlaps " + bytes_text(end - record.address) +
                         " of the previous record, which ends at " +
                         hex_text(run.next_address - 1, 4) + UNBROKEN_BLOCK +
                         ": an ORG that goes back over code already placed does this; remove it, "
                         "or give the parts addresses that follow on"};
  }
  run.next_address = std::uint64_t{record.address} + record.data.size();
}

// An S5 or S6 record counts the data records before it: a different number
// means records went missing (or came from elsewhere) on the way, and the
// program in the loader would not be the one assembled.
void check_record_count(const conversion_run& run, const srecord& record) {
  if (record.address == run.data_records) return;
  throw conversion_error{
      record.line, "the S" + std::string(1, record.type) + " record counts " +
                       std::to_string(record.address) + " data records before it, but " +
                       std::to_string(run.data_records) +
                       " were read: records were lost or added; assemble the program again"};
}

void tally_checksum(checksum_tally& tally, const srecord& record) {
  int expected = expected_checksum(record);
  if (record.checksum == expected) return;
  if (tally.mismatches++ == 0) {
    tally.first_line = record.line;
    tally.first_found = record.checksum;
    tally.first_expected = expected;
  }
}

// One DATA line per VALUES_PER_RECORD bytes of the record. Lines that would
// reach the FOR line are counted for the error message but not written.
void write_data_lines(conversion_run& run, const srecord& record, std::string& loader) {
  std::size_t size = record.data.size();
  for (std::size_t start = 0; start < size; start += VALUES_PER_RECORD) {
    std::size_t end = std::min(size, start + VALUES_PER_RECORD);
    run.line_number += LINE_STEP;
    run.value_count += static_cast<long long>(end - start);
    if (run.line_number >= FOR_LINE_NUMBER) continue;
    begin_data_line(loader, static_cast<int>(run.line_number));
    for (std::size_t i = start; i < end; ++i) write_value(loader, record.data[i], i == start);
    end_data_line(loader);
  }
}

void take_record(conversion_run& run, const srecord& record, std::string& loader) {
  ++run.records;
  tally_checksum(run.program.checksums, record);
  if (is_end_record(record)) {
    run.end_of_data = true;
    run.program.end = mark_of(record);
  } else if (is_count_record(record)) {
    check_record_count(run, record);
  } else if (is_data_record(record)) {
    ++run.data_records;
    if (record.data.empty()) return;
    check_continuity(run, record);
    write_data_lines(run, record, loader);
  }
}

void check_program_size(const conversion_run& run) {
  if (run.records == 0) {
    throw conversion_error{0, "the file is empty: did the assembler fail? Look at its messages and "
                              "assemble again"};
  }
  if (run.value_count == 0) {
    throw conversion_error{0, "no program bytes: the file has only header and end records, no S1, "
                              "S2 or S3 record with data; did the program assemble to nothing?"};
  }
  long long data_lines = run.line_number / LINE_STEP;
  if (data_lines > MAX_DATA_LINES) {
    throw conversion_error{
        0, "program of " + std::to_string(run.value_count) + " bytes needs " +
               std::to_string(data_lines) + " DATA lines, but only " +
               std::to_string(MAX_DATA_LINES) + " fit below line " +
               std::to_string(FOR_LINE_NUMBER) + " (at most " +
               std::to_string(MAX_DATA_LINES * VALUES_PER_RECORD) + " bytes)"};
  }
}

}  // namespace

program_summary convert(std::istream& s_records, std::string& loader) {
  record_input input{s_records};
  check_text_kind(input);
  conversion_run run;
  srecord record;
  write_header(loader);
  while (!run.end_of_data && read_record(input, record)) take_record(run, record, loader);
  check_program_size(run);
  write_trailer(loader, static_cast<int>(run.value_count));
  run.program.byte_count = run.value_count;
  return run.program;
}

std::vector<conversion_warning> input_warnings(const program_summary& program) {
  std::vector<conversion_warning> warnings;
  const checksum_tally& sums = program.checksums;
  if (sums.mismatches > 0) {
    std::string how_many = sums.mismatches == 1
                               ? "the only record that does not match"
                               : std::to_string(sums.mismatches) + " records in all do not match";
    warnings.push_back({sums.first_line,
                        "checksum " + hex_text(static_cast<std::uint64_t>(sums.first_found), 2) +
                            ", expected " +
                            hex_text(static_cast<std::uint64_t>(sums.first_expected), 2) + " (" +
                            how_many +
                            "): M.OUT may be damaged; assemble again unless you patched it by hand"});
  }
  if (!program.end) {
    warnings.push_back({0, "no S9, S8 or S7 end record: M.OUT may have been cut short; check that "
                           "the last DATA line ends with the program's last bytes"});
  }
  return warnings;
}
