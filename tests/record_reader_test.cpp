#include "record_reader.hpp"

#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

// "<line>:S<type>@<address>:<data>" for each record, space separated.
std::string read_all(const std::string& text) {
  std::istringstream stream(text);
  record_input input{stream};
  srecord record;
  std::string summary;
  while (read_record(input, record)) {
    char head[32];
    std::snprintf(head, sizeof head, "%lld:S%c@%04X:", record.line, record.type,
                  static_cast<unsigned>(record.address));
    if (!summary.empty()) summary += ' ';
    summary += head;
    for (std::uint8_t byte : record.data) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02X", byte);
      summary += pair;
    }
  }
  return summary;
}

std::string failure_of(const std::string& text) {
  try {
    read_all(text);
  } catch (const conversion_error& error) {
    return std::to_string(error.line) + ": " + error.message;
  }
  return "no failure";
}

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

struct reader_case {
  const char* name;
  std::string text;
  std::string expected;
};

const std::string A = s_record('1', 0x37AC, {0x8E, 0x04});  // S10537AC8E04..
const std::string B = s_record('1', 0x37AE, {0x00});

}  // namespace

TEST(RecordReader, ReadsEachRecordByItsOwnFields) {
  const std::vector<reader_case> cases = {
      {"CR LF line ends", A + "\r\n" + B + "\r\n", "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"LF line ends", A + "\n" + B + "\n", "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"CR line ends", A + "\r" + B + "\r", "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"no line end at the end", A + "\r\n" + B, "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"blank lines, spaces and tabs before and between",
       "\r\n \t\n\r" + A + "\r\n\r\n\t  \r\n" + B, "4:S1@37AC:8E04 7:S1@37AE:00"},
      {"spaces and tabs after the checksum", A + " \t \r\n" + B + "  ",
       "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"lower case hex", "S10537ac8e04f5\n", "1:S1@37AC:8E04"},
      {"a wrong checksum is read, not judged", "S10537AC8E0400\n", "1:S1@37AC:8E04"},
      {"24 and 32 bit addresses", s_record('2', 0x0137AC, {1}) + "\n" +
                                      s_record('3', 0x800137AC, {2, 3}),
       "1:S2@137AC:01 2:S3@800137AC:0203"},
      {"records without program bytes are read as records",
       s_record('0', 0, {'H', 'D', 'R'}) + "\n" + s_record('5', 1, {}) + "\n" +
           s_record('9', 0x37AC, {}),
       "1:S0@0000:484452 2:S5@0001: 3:S9@37AC:"},
      {"a record with no data bytes", s_record('1', 0x37AC, {}), "1:S1@37AC:"},
      {"the largest record", s_record('1', 0, std::vector<std::uint8_t>(252, 0xAB)),
       "1:S1@0000:" + repeated("AB", 252)},
      {"records that end at the top of the address space",
       s_record('1', 0xFFF0, std::vector<std::uint8_t>(16, 1)) + "\n" + s_record('3', 0xFFFFFFFF, {2}),
       "1:S1@FFF0:" + repeated("01", 16) + " 2:S3@FFFFFFFF:02"},
      {"Ctrl-Z ends the text", A + "\r\n\x1A" + "garbage", "1:S1@37AC:8E04"},
      {"Ctrl-Z right after a checksum, more than a read block after it",
       A + "\x1A" + std::string(5000, '\xFF') + "\r\n" + B, "1:S1@37AC:8E04"},
      {"vertical tab and form feed between records", A + "\v\f\r\n\f" + B + "\v",
       "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"a CR LF split across two read blocks",
       std::string(4095 - A.size(), ' ') + A + "\r\n" + B, "1:S1@37AC:8E04 2:S1@37AE:00"},
      {"an S6 record", s_record('6', 0x010203, {}) + "\n", "1:S6@10203:"},
      {"empty text", "", ""},
      {"only blank lines", "\r\n\r\n \n", ""},
  };
  for (const reader_case& c : cases) {
    EXPECT_EQ(read_all(c.text), c.expected) << c.name;
  }
}

TEST(RecordReader, RejectsMalformedRecordsNamingLineAndWhatWasFound) {
  const std::vector<reader_case> cases = {
      {"Intel HEX", ":0300300002337A1E\r\n",
       "1: a line of Intel HEX, not a Motorola S-record: set the assembler to write S-records (S19)"},
      {"Intel HEX after S-records", A + "\r\n:00000001FF\r\n",
       "2: a line of Intel HEX, not a Motorola S-record: set the assembler to write S-records (S19)"},
      {"a listing", "37AC 8E 04 00\n", "1: expected a record starting with 'S', found '3'"},
      {"lower case start", "s10537AC8E04F5\n", "1: expected a record starting with 'S', found 's'"},
      {"control character", A + "\r\n\r\n\x01", "3: expected a record starting with 'S', found '\\x01'"},
      {"unknown type", A + "\n" + "S4030000FC\n", "2: unknown record type \"S4\""},
      {"space after S", "S 0537AC8E04F5\n", "1: unknown record type \"S \""},
      {"line ends after S", "\r\rS\r\n", "3: record ends after 'S'"},
      {"line ends in the byte count", "S1\n", "1: record ends before its byte count"},
      {"byte count below address and checksum", "S1020000\n",
       "1: byte count $02 is too small for an S1 record, which needs at least $03"},
      {"32-bit byte count too small", "S3040000000000\n",
       "1: byte count $04 is too small for an S3 record, which needs at least $05"},
      {"non-hex data", "S10537AC8G04F5\n", "1: expected two hex digits for the data, found \"8G\""},
      {"sign", "S10537AC-104F5\n", "1: expected two hex digits for the data, found \"-1\""},
      {"0x prefix", "S10537AC0x04F5\n", "1: expected two hex digits for the data, found \"0x\""},
      {"space inside the address", "S105 7AC8E04F5\n",
       "1: expected two hex digits for the address, found \" 7\""},
      {"bad byte count", "S1Z537AC8E04F5\n",
       "1: expected two hex digits for the byte count, found \"Z5\""},
      {"bad checksum digits", "S10537AC8E04G5\n",
       "1: expected two hex digits for the checksum, found \"G5\""},
      {"truncated line", A + "\r\n" + "S10537AC8E\r\n", "2: record is shorter than its byte count $05 says"},
      {"half a pair", "S10537AC8E0\r\n", "1: record is shorter than its byte count $05 says"},
      {"truncated at the end of the text", "S10537AC8E04", "1: record is shorter than its byte count $05 says"},
      {"longer than its byte count", "S10537AC8E04F5F5\n", "1: record is longer than its byte count $05 says"},
      {"junk after the checksum", "S10537AC8E04F5;\n", "1: unexpected ';' after the checksum"},
      {"two records on one line", A + B + "\n", "1: unexpected 'S' after the checksum"},
      // Bytes of 0x80 and above must never pass for the end of the text.
      {"0xFF between records", A + "\r\n\xFF" + B, "2: expected a record starting with 'S', found '\\xFF'"},
      {"0x80 between records", A + "\r\n\x80", "2: expected a record starting with 'S', found '\\x80'"},
      {"0xFF inside a record", "S10537AC\xFF" "E04F5\n",
       "1: expected two hex digits for the data, found \"\\xFFE\""},
      {"S1 record past $FFFF", s_record('1', 0xFFF0, std::vector<std::uint8_t>(32, 1)),
       "1: record at $FFF0 with 32 bytes runs past $FFFF, the top of its address space"},
      {"S2 record past $FFFFFF", s_record('2', 0xFFFFFF, {1, 2}),
       "1: record at $FFFFFF with 2 bytes runs past $FFFFFF, the top of its address space"},
      {"S3 record past $FFFFFFFF", s_record('3', 0xFFFFFFF0, std::vector<std::uint8_t>(17, 1)),
       "1: record at $FFFFFFF0 with 17 bytes runs past $FFFFFFFF, the top of its address space"},
  };
  for (const reader_case& c : cases) {
    EXPECT_EQ(failure_of(c.text), c.expected) << c.name;
  }
}

TEST(RecordReader, KeepsTheChecksumAndKnowsWhatItShouldBe) {
  // Lines objcopy wrote, with 16, 24 and 32-bit addresses: every byte of the
  // byte count, address and data counts, the checksum itself does not.
  const char* const right[] = {
      "S00800004D2E4F555484",           "S107380CC5D07D7032",
      "S20C0137AC4142434445464748EB",   "S30D000137AC4142434445464748EA",
      "S8040137AC17",                   "S705000137AC16",
      "S90337AC19",
  };
  for (const char* line : right) {
    std::istringstream stream(line);
    record_input input{stream};
    srecord record;
    ASSERT_TRUE(read_record(input, record)) << line;
    EXPECT_EQ(record.checksum, expected_checksum(record)) << line;
  }
  std::istringstream stream("S20C0137AC4142434445464748EC");
  record_input input{stream};
  srecord record;
  ASSERT_TRUE(read_record(input, record));
  EXPECT_EQ(record.checksum, 0xEC);
  EXPECT_EQ(expected_checksum(record), 0xEB);
}

TEST(RecordReader, RecordsAcrossReadBlocksKeepTheirLines) {
  // Lines of 16 bytes, so records and line ends fall on each side of every
  // 4 KB block boundary, with a CR LF split across one of them.
  std::string text;
  std::string expected;
  for (int line = 1; line <= 1000; ++line) {
    text += A;
    text += line % 3 == 0 ? "\n" : "\r\n";
    if (line == 500) text += ' ';
    if (line > 1) expected += ' ';
    expected += std::to_string(line);
    expected += ":S1@37AC:8E04";
  }
  EXPECT_EQ(read_all(text), expected);
}
