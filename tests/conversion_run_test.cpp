#include "conversion_run.hpp"

#include "format.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> bytes_from(int first, int count) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(first + i));
  return bytes;
}

std::string failure_of(const std::string& text) {
  std::string failure;
  convert_text(text, &failure);
  return failure;
}

std::string data_lines_of(const std::string& loader) {
  std::string header = COCO_HEADER;
  std::size_t for_line = loader.find("2000 FOR");
  return loader.substr(header.size(), for_line - header.size());
}

}  // namespace

TEST(ConversionRun, OneFullRecordGivesTheExampleLoader) {
  EXPECT_EQ(convert_text(std::string(EXAMPLE_RECORD) + "\r\n" + "S90337AC19\r\n"), EXAMPLE_LOADER);
  EXPECT_EQ(convert_text(EXAMPLE_RECORD), EXAMPLE_LOADER);
}

TEST(ConversionRun, TakesOnlyDataBytesNeverChecksumsOrHeaders) {
  // A header, a 31-byte record (one short of full), a short one, an end record:
  // exactly the 35 data bytes become values.
  std::string text = s_record('0', 0, {'M', '.', 'O', 'U', 'T'}) + "\r\n" +
                     s_record('1', 0x37AC, bytes_from(100, 31)) + "\r\n" +
                     s_record('1', 0x37CB, bytes_from(200, 4)) + "\r\n" +
                     s_record('5', 2, {}) + "\r\n" + s_record('9', 0x37AC, {}) + "\r\n";
  std::string loader = convert_text(text);
  parsed_loader parsed = parse_loader(loader);
  std::vector<int> expected;
  for (int value = 100; value < 131; ++value) expected.push_back(value);
  for (int value = 200; value < 204; ++value) expected.push_back(value);
  EXPECT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.values, expected);
  EXPECT_EQ(parsed.for_bound, 34);
  EXPECT_NE(data_lines_of(loader).find("\r\n\r\n20 DATA 200,201,202,203\r\n\r\n"), std::string::npos);
}

TEST(ConversionRun, LongRecordsContinueOnFurtherDataLinesOf32) {
  std::string text = s_record('1', 0x37AC, bytes_from(0, 70)) + "\n" +
                     s_record('1', 0x37AC + 70, bytes_from(70, 3)) + "\n";
  std::string data = data_lines_of(convert_text(text));
  EXPECT_EQ(data.substr(0, 8), "10 DATA ");
  EXPECT_NE(data.find("\r\n\r\n20 DATA 32,33,"), std::string::npos);
  EXPECT_NE(data.find("\r\n\r\n30 DATA 64,65,66,67,68,69\r\n\r\n40 DATA 70,71,72\r\n\r\n"),
            std::string::npos);
}

TEST(ConversionRun, RecordsWithoutDataWriteNoDataLine) {
  std::string text = s_record('1', 0x37AC, {1}) + "\n" + s_record('1', 0x9000, {}) + "\n" +
                     s_record('1', 0x37AD, {2}) + "\n";
  EXPECT_EQ(data_lines_of(convert_text(text)), "10 DATA 1\r\n\r\n20 DATA 2\r\n\r\n");
}

TEST(ConversionRun, BytesLandFromTheLoadAddressWhateverTheFirstRecordSays) {
  // Any start address is fine; only the bytes and their order reach the loader.
  std::string at_zero = s_record('3', 0, bytes_from(0, 32));
  std::string loader = convert_text(at_zero);
  EXPECT_EQ(loader, EXAMPLE_LOADER);
}

TEST(ConversionRun, NothingAfterAnEndRecordIsRead) {
  for (char end_type : {'7', '8', '9'}) {
    std::string text = std::string(EXAMPLE_RECORD) + "\n" + s_record(end_type, 0, {}) + "\n" +
                       "this is not an S-record\n";
    EXPECT_EQ(convert_text(text), EXAMPLE_LOADER) << "S" << end_type;
  }
}

TEST(ConversionRun, RejectsAProgramThatIsNotOneUnbrokenBlock) {
  std::string first = s_record('1', 0x37AC, bytes_from(0, 32)) + "\r\n";
  EXPECT_EQ(failure_of(first + s_record('1', 0x3800, {1}) + "\r\n"),
            "2: record at $3800 leaves a gap of 52 bytes after the previous record, which ends at "
            "$37CB, but the loader can place only one unbroken block: space reserved with RMB or DS "
            "in mid-program does this; move it to the end, or fill it with FCB 0");
  EXPECT_EQ(failure_of(first + s_record('1', 0x37CD, {1}) + "\r\n"),
            "2: record at $37CD leaves a gap of 1 byte after the previous record, which ends at "
            "$37CB, but the loader can place only one unbroken block: space reserved with RMB or DS "
            "in mid-program does this; move it to the end, or fill it with FCB 0");
  const std::string overlap_cause =
      " of the previous record, which ends at $37CB, but the loader can place only one unbroken "
      "block: an ORG that goes back over code already placed does this; remove it, or give the "
      "parts addresses that follow on";
  EXPECT_EQ(failure_of(first + s_record('1', 0x37C0, {1}) + "\r\n"),
            "2: record at $37C0 overlaps 1 byte" + overlap_cause);
  EXPECT_EQ(failure_of(first + s_record('1', 0x37C0, bytes_from(0, 32)) + "\r\n"),
            "2: record at $37C0 overlaps 12 bytes" + overlap_cause);
}

TEST(ConversionRun, RejectsInputWithoutProgramBytes) {
  const std::string empty =
      "0: the file is empty: did the assembler fail? Look at its messages and assemble again";
  const std::string no_bytes =
      "0: no program bytes: the file has only header and end records, no S1, S2 or S3 record "
      "with data; did the program assemble to nothing?";
  EXPECT_EQ(failure_of(""), empty);
  EXPECT_EQ(failure_of("\r\n\r\n \t\x1A"), empty);
  EXPECT_EQ(failure_of("\xEF\xBB\xBF"), empty);
  EXPECT_EQ(failure_of("S00600004844521B\r\nS9030000FC\r\n"), no_bytes);
  EXPECT_EQ(failure_of("S9030000FC\r\n" + std::string(EXAMPLE_RECORD)), no_bytes);
  EXPECT_EQ(failure_of(s_record('1', 0x37AC, {}) + "\r\n"), no_bytes);
}

TEST(ConversionRun, SaysWhatAFileIsWhenItIsNoSRecordText) {
  const std::string binary =
      "0: a binary file, not S-record text: set the assembler to write Motorola S-records (S19)";
  const std::string utf16 =
      "0: the file is saved as UTF-16 text: save it as plain text (ANSI or UTF-8) or set the "
      "assembler to write plain S-records";
  auto utf16_of = [](const std::string& text, bool big_endian) {
    std::string wide;
    for (char c : text) wide += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    return wide;
  };
  const std::string example = std::string(EXAMPLE_RECORD) + "\r\nS90337AC19\r\n";
  // The bundled program's machine code as the assembler's raw output.
  EXPECT_EQ(failure_of(std::string("\x8E\x04\x00\x86\x6A\xA7\x80\x8C\x06\x00", 10)), binary);
  EXPECT_EQ(failure_of(std::string("S1\x00\x01", 4)), binary);
  EXPECT_EQ(failure_of("\xFF\xFE" + utf16_of(example, false)), utf16);
  EXPECT_EQ(failure_of("\xFE\xFF" + utf16_of(example, true)), utf16);
  EXPECT_EQ(failure_of(utf16_of(example, false)), utf16);
  EXPECT_EQ(failure_of(utf16_of(example, true)), utf16);
  // A UTF-8 byte-order mark is passed over; blanks and Ctrl-Z are text.
  EXPECT_EQ(convert_text("\xEF\xBB\xBF" + example), EXAMPLE_LOADER);
  EXPECT_EQ(convert_text("\t\v\f" + example + "\x1A"), EXAMPLE_LOADER);
  // A one-line file closed by a DOS tool: its Ctrl-Z stands in the first line.
  EXPECT_EQ(convert_text(std::string(EXAMPLE_RECORD) + "\x1A"), EXAMPLE_LOADER);
  // Only the first line is judged: later control bytes are a record's error.
  EXPECT_EQ(failure_of(std::string(EXAMPLE_RECORD) + "\r\n\x01"),
            "2: expected a record starting with 'S', found '\\x01'");
}

TEST(ConversionRun, DataLinesStopBelowTheForLine) {
  std::string largest = convert_text(full_records(MAX_DATA_LINES));
  parsed_loader parsed = parse_loader(largest);
  EXPECT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.for_bound, 6367);
  EXPECT_NE(largest.find("\r\n\r\n1990 DATA 198,"), std::string::npos);

  EXPECT_EQ(failure_of(full_records(MAX_DATA_LINES + 1)),
            "0: program of 6400 bytes needs 200 DATA lines, but only 199 fit below line 2000 "
            "(at most 6368 bytes)");
  EXPECT_EQ(failure_of(full_records(MAX_DATA_LINES) + s_record('1', 0x37AC + 6368, {7}) +
                       "\r\n" + s_record('1', 0x37AC + 6369, {8})),
            "0: program of 6370 bytes needs 201 DATA lines, but only 199 fit below line 2000 "
            "(at most 6368 bytes)");
}

TEST(ConversionRun, LoaderTextStopsGrowingPastTheLimit) {
  // Ten times the limit: counted to the end for the message, but nothing past
  // line 1990 is held, so memory does not follow the input's size.
  std::istringstream input(full_records(10 * MAX_DATA_LINES));
  std::string loader;
  try {
    convert(input, loader);
    FAIL() << "a program of 1990 DATA lines was accepted";
  } catch (const conversion_error& error) {
    EXPECT_EQ(error.message,
              "program of 63680 bytes needs 1990 DATA lines, but only 199 fit below line 2000 "
              "(at most 6368 bytes)");
  }
  EXPECT_LT(loader.size(), 30000u);
  EXPECT_EQ(loader.find("2000 DATA"), std::string::npos);
}

TEST(ConversionRun, ErrorsBeyondTheLimitStillNameTheirLine) {
  std::string text = full_records(MAX_DATA_LINES + 1) + "S1XX\r\n";
  EXPECT_EQ(failure_of(text), "201: expected two hex digits for the byte count, found \"XX\"");
}

TEST(ConversionRun, ALineWithoutEndStopsAtItsByteCount) {
  std::string endless = "S1FF0000" + std::string(8 << 20, '0');
  EXPECT_EQ(failure_of(endless), "1: record is longer than its byte count $FF says");
}

namespace {

// A stream that delivers some text and then fails as a broken disk would.
struct failing_buffer : std::streambuf {
  std::string text;
  bool delivered = false;
  int_type underflow() override {
    if (delivered) {
      errno = EIO;
      throw std::ios_base::failure("read failed");
    }
    delivered = true;
    setg(text.data(), text.data(), text.data() + text.size());
    return traits_type::to_int_type(text[0]);
  }
};

}  // namespace

TEST(ConversionRun, ReadErrorIsAFailureNotAnEarlyEnd) {
  failing_buffer buffer;
  buffer.text = std::string(EXAMPLE_RECORD) + "\r\n";
  std::istream input(&buffer);
  std::string loader;
  try {
    convert(input, loader);
    FAIL() << "a read error passed for the end of the input";
  } catch (const conversion_error& error) {
    EXPECT_EQ(error.line, 0);
    EXPECT_EQ(error.message, "cannot read: Input/output error");
  }
}

namespace {

// Three records of a program, the middle one's checksum (right: $24)
// replaced by checksum.
std::string with_middle_checksum(const std::string& checksum) {
  std::string middle = s_record('1', 0x37CC, bytes_from(32, 6));
  return std::string(EXAMPLE_RECORD) + "\r\n" + middle.substr(0, middle.size() - 2) + checksum +
         "\r\n" + "S90337AC19\r\n";
}

}  // namespace

TEST(ConversionRun, WrongChecksumsWarnButStillConvert) {
  std::string loader;
  EXPECT_EQ(messages_of(with_middle_checksum("24"), &loader), "");
  std::string expected_loader = loader;

  EXPECT_EQ(messages_of(with_middle_checksum("00"), &loader),
            "2: checksum $00, expected $24 (the only record that does not match): M.OUT may be "
            "damaged; assemble again unless you patched it by hand\n");
  EXPECT_EQ(loader, expected_loader);

  // Every record is checked, end and header records too; the first wrong
  // one is named and all are counted.
  std::string many = "S0030000FF\r\n" + with_middle_checksum("25");
  many.replace(many.rfind("19"), 2, "18");
  EXPECT_EQ(messages_of(many),
            "1: checksum $FF, expected $FC (3 records in all do not match): M.OUT may be damaged; "
            "assemble again unless you patched it by hand\n");
}

TEST(ConversionRun, AnyOneDigitChangedInARecordIsNoticed) {
  // A program of two records and an end record; each hex digit of each
  // record, from the byte count on, is changed in turn. Whatever field it
  // hits, the run must refuse the file or warn: never a silent loader.
  std::string text = program_records(bytes_from(0x70, 40));
  ASSERT_EQ(messages_of(text), "");
  for (std::size_t at = 0; at < text.size(); ++at) {
    bool record_field = at >= 2 && text[at] != '\r' && text[at] != '\n' && text[at - 1] != 'S' &&
                        text[at] != 'S';
    if (!record_field) continue;
    std::string damaged = text;
    damaged[at] = damaged[at] == '0' ? '1' : '0';
    EXPECT_NE(messages_of(damaged), "") << "digit " << at << " of\n" << damaged;
  }
}

TEST(ConversionRun, RecordCountMustMatchTheDataRecordsBeforeIt) {
  std::string two_records = std::string(EXAMPLE_RECORD) + "\r\n" + s_record('1', 0x37CC, {1}) +
                            "\r\n" + s_record('1', 0x9000, {}) + "\r\n";
  // Records without data are data records all the same.
  EXPECT_EQ(messages_of(two_records + s_record('5', 3, {}) + "\r\nS90337AC19\r\n"), "");
  EXPECT_EQ(messages_of(two_records + s_record('6', 3, {}) + "\r\nS90337AC19\r\n"), "");
  EXPECT_EQ(messages_of(two_records + s_record('5', 4, {}) + "\r\nS90337AC19\r\n"),
            "error 4: the S5 record counts 4 data records before it, but 3 were read: records "
            "were lost or added; assemble the program again\n");
  EXPECT_EQ(messages_of(two_records + s_record('6', 2, {}) + "\r\n"),
            "error 4: the S6 record counts 2 data records before it, but 3 were read: records "
            "were lost or added; assemble the program again\n");
}

TEST(ConversionRun, AFileWithoutEndRecordMayBeCutShort) {
  const std::string cut_short =
      "0: no S9, S8 or S7 end record: M.OUT may have been cut short; check that the last DATA "
      "line ends with the program's last bytes\n";
  EXPECT_EQ(messages_of(EXAMPLE_RECORD), cut_short);
  EXPECT_EQ(messages_of(std::string(EXAMPLE_RECORD) + "\r\n" + s_record('5', 1, {}) + "\r\n\x1A"),
            cut_short);
  for (char end_type : {'7', '8', '9'}) {
    EXPECT_EQ(messages_of(std::string(EXAMPLE_RECORD) + "\r\n" + s_record(end_type, 0, {})), "")
        << "S" << end_type;
  }
}
