// What makes pokeloader released software, checked on the built artefacts:
// the version set once in CMakeLists.txt reaches the .exe's version resource
// and the man page, and the man page renders without a warning.
#include "temp_folder.hpp"
#include "test_support.hpp"
#include "tool_folder.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint32_t little_endian_word(const std::string& bytes, std::size_t at) {
  std::uint32_t word = 0;
  for (int i = 3; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(bytes[at + i]);
  return word;
}

// The StringFileInfo of a raw VS_VERSIONINFO: its UTF-16 text holds each key
// followed, after padding, by its value.
std::map<std::string, std::string> version_strings(const std::string& resource) {
  std::vector<std::string> words{""};
  for (std::size_t i = 0; i + 1 < resource.size(); i += 2) {
    char16_t c = static_cast<char16_t>(static_cast<unsigned char>(resource[i]) |
                                       (static_cast<unsigned char>(resource[i + 1]) << 8));
    if (c >= 0x20 && c < 0x7F) {
      words.back() += static_cast<char>(c);
    } else if (!words.back().empty()) {
      words.emplace_back();
    }
  }
  std::map<std::string, std::string> strings;
  for (std::size_t i = 0; i + 1 < words.size(); ++i) strings.emplace(words[i], words[i + 1]);
  return strings;
}

}  // namespace

TEST(Release, TheWindowsProgramCarriesTheVersion) {
  if (std::string(POKELOADER_WINDOWS_EXE).empty()) {
    GTEST_SKIP() << "pokeloader.exe was not built (x86_64-w64-mingw32-g++ was not found)";
  }
  ASSERT_EQ(std::system("command -v wrestool >/dev/null"), 0)
      << "wrestool (Debian package icoutils) is needed to read the version resource";
  temp_folder folder;
  std::string command = "wrestool -x --raw --type=16 '" POKELOADER_WINDOWS_EXE "' >'" +
                        (folder.path / "version.bin").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string resource = read_file(folder.path / "version.bin");

  // The numbers Explorer shows: VS_FIXEDFILEINFO after its signature.
  std::size_t fixed = resource.find("\xBD\x04\xEF\xFE");
  ASSERT_NE(fixed, std::string::npos);
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(POKELOADER_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
  EXPECT_EQ(little_endian_word(resource, fixed + 8), (major << 16) | minor);
  EXPECT_EQ(little_endian_word(resource, fixed + 12), patch << 16);
  EXPECT_EQ(little_endian_word(resource, fixed + 16), (major << 16) | minor);

  std::map<std::string, std::string> strings = version_strings(resource);
  EXPECT_EQ(strings["FileVersion"], POKELOADER_VERSION);
  EXPECT_EQ(strings["ProductVersion"], POKELOADER_VERSION);
  EXPECT_EQ(strings["ProductName"], "pokeloader");
  EXPECT_EQ(strings["OriginalFilename"], "pokeloader.exe");
  EXPECT_EQ(strings["LegalCopyright"], "Copyright (c) 2026 the pokeloader contributors");
  EXPECT_EQ(strings["FileDescription"], "S-record file to CoCo 2 BASIC DATA/POKE loader");
}

TEST(Release, TheManPageRendersWithoutWarningsAndNamesTheVersion) {
  ASSERT_EQ(std::system("command -v man >/dev/null"), 0) << "man (Debian package man-db) is needed";
  temp_folder folder;
  std::string command = "MANWIDTH=80 man --warnings -l '" MAN_PAGE "' >'" +
                        (folder.path / "page.txt").string() + "' 2>'" +
                        (folder.path / "warnings.txt").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(read_file(folder.path / "warnings.txt"), "");
  std::string page = read_file(folder.path / "page.txt");
  EXPECT_NE(page.find("pokeloader " POKELOADER_VERSION), std::string::npos) << page;
  EXPECT_NE(page.find("c:/coco/as11/M.OUT"), std::string::npos);
}

TEST(Release, TheReadmeDescribesThisVersion) {
  std::string readme = read_file(fs::path(EXAMPLES_DIR).parent_path() / "README.md");
  EXPECT_NE(readme.find("This README describes pokeloader " POKELOADER_VERSION " "), std::string::npos);
  EXPECT_NE(readme.find("pokeloader_" POKELOADER_VERSION "_amd64.deb"), std::string::npos);
}
