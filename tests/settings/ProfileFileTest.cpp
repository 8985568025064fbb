#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "settings/ProfileFile.h"
#include "tests/settings/TempFolder.h"

namespace quorin {
namespace {

using namespace std::string_literals;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// `text` as a UTF-16LE file with its byte order mark.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

struct ParseCase {
  std::string Text;
  std::optional<int> expected;
};

class ParseProfileIntTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseProfileIntTest, ReadsLeadingDecimalDigits) {
  EXPECT_EQ(ParseProfileInt(GetParam().Text), GetParam().expected) << "text: " << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseProfileIntTest,
    ::testing::Values(ParseCase{"5", 5}, ParseCase{"0", 0}, ParseCase{"-3", -3}, ParseCase{"+7", 7},
                      ParseCase{"12abc", 12}, ParseCase{" \t42", 42}, ParseCase{"007", 7},
                      ParseCase{"0x10", 0}, ParseCase{"3 4", 3}, ParseCase{"abc", std::nullopt},
                      ParseCase{"", std::nullopt}, ParseCase{"-", std::nullopt},
                      ParseCase{"- 3", std::nullopt}, ParseCase{"+-3", std::nullopt},
                      ParseCase{"2147483647", INT_MAX}, ParseCase{"-2147483648", INT_MIN},
                      ParseCase{"2147483648", std::nullopt}, ParseCase{"-2147483649", std::nullopt},
                      ParseCase{"99999999999999999999999999999999", std::nullopt},
                      ParseCase{"4\0"s + "9", 4}));

struct ReadCase {
  const char* name;
  std::string content;
  std::optional<std::string> expected;  // value of [Uart] Port
};

class ReadProfileStringTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadProfileStringTest, FindsTheKeyOfTheFirstMatchingSection) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  WriteFileBytes(path, GetParam().content);
  EXPECT_EQ(ReadProfileString(path, "Uart", "Port"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadProfileStringTest,
    ::testing::Values(
        ReadCase{"plain", "[Uart]\nPort=5\n", "5"},
        ReadCase{"case_and_no_final_newline", "[uART]\npORT=5", "5"},
        ReadCase{"crlf_and_blanks", "[UART]\r\n  PORT = 7 \r\n", "7"},
        ReadCase{"blanks_in_brackets", "[ Uart ]\nPort=8\n", "8"},
        ReadCase{"quoted", "[Uart]\nPort=\"5\"\n", "5"},
        ReadCase{"empty_value", "[Uart]\nPort=\n", ""},
        ReadCase{"key_before_any_section", "Port=4\n[Uart]\nBaudRate=0\n", std::nullopt},
        ReadCase{"key_in_other_section", "[Other]\nPort=4\n[Uart]\nBaudRate=2\n", std::nullopt},
        ReadCase{"after_other_section", "[Other]\nPort=4\n[Uart]\nPort=6\n", "6"},
        ReadCase{"first_section_wins", "[Uart]\nBaudRate=0\n[uart]\nPort=9\n", std::nullopt},
        ReadCase{"first_key_wins", "[Uart]\nPort=2\nport=9\n", "2"},
        ReadCase{"comment_is_not_a_key", "[Uart]\n;Port=8\n", std::nullopt},
        ReadCase{"line_without_equals", "[Uart]\nPort\n", std::nullopt},
        ReadCase{"utf8_bom", "\xEF\xBB\xBF[Uart]\nPort=4\n", "4"},
        ReadCase{"utf16_le_bom", Utf16File(u"[Uart]\r\nPort=\u56FA4\r\n"), "\u56FA4"},
        ReadCase{"nul_bytes", "[Uart]\nPo\0rt=1\nPort=3\0junk\n"s, "3\0junk"s},
        ReadCase{"binary_before",
                 [] {
                   std::string bytes;
                   for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
                   return bytes + "\n[Uart]\nPort=4\n";
                 }(),
                 "4"},
        ReadCase{"huge_line_before", std::string(3 << 20, 'x') + "\n[Uart]\nPort=6\n", "6"},
        ReadCase{"huge_line_is_no_key", "[Uart]\nPort=" + std::string(1 << 20, '1') + "\n",
                 std::nullopt},
        ReadCase{"huge_unterminated_header", "[" + std::string(1 << 20, 'U'), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadProfileIntTest, DefaultWhenAbsentOrNotANumber) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  EXPECT_EQ(ReadProfileInt(path, "Uart", "Port", 1), 1) << "missing file";
  WriteFileBytes(path, "[Uart]\nPort=abc\nBaudRate=-2\n");
  EXPECT_EQ(ReadProfileInt(path, "Uart", "Port", 1), 1);
  EXPECT_EQ(ReadProfileInt(path, "Uart", "BaudRate", 1), -2);
  EXPECT_EQ(ReadProfileInt(path, "Uart", "Missing", 17), 17);
}

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file
  std::string after;                  // after setting [Uart] Port=3
};

class WriteProfileStringTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteProfileStringTest, KeepsEverythingElse) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  if (GetParam().before) WriteFileBytes(path, *GetParam().before);
  ASSERT_FALSE(WriteProfileString(path, "Uart", "Port", "3"));
  EXPECT_EQ(ReadFileBytes(path), GetParam().after);
  EXPECT_EQ(ReadProfileString(path, "Uart", "Port"), "3");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WriteProfileStringTest,
    ::testing::Values(
        WriteCase{"creates_the_file", std::nullopt, "[Uart]\nPort=3\n"},
        WriteCase{"empty_file", "", "[Uart]\nPort=3\n"},
        WriteCase{"replaces_the_value", "[Uart]\nPort=1\nBaudRate=0\n",
                  "[Uart]\nPort=3\nBaudRate=0\n"},
        WriteCase{"keeps_name_spelling_and_comments",
                  "; my settings\n[uart]\n  PORT = 1 \n\n[Other]\nx=y\n",
                  "; my settings\n[uart]\nPORT=3\n\n[Other]\nx=y\n"},
        WriteCase{"appends_section", "[Other]\nx=y", "[Other]\nx=y\n\n[Uart]\nPort=3\n"},
        WriteCase{"appends_section_after_blank", "[Other]\nx=y\n\n",
                  "[Other]\nx=y\n\n[Uart]\nPort=3\n"},
        WriteCase{"appends_key_before_blank_lines", "[Uart]\nBaudRate=0\n\n\n[Other]\na=b\n",
                  "[Uart]\nBaudRate=0\nPort=3\n\n\n[Other]\na=b\n"},
        WriteCase{"keeps_crlf", "[Uart]\r\nBaudRate=0\r\n", "[Uart]\r\nBaudRate=0\r\nPort=3\r\n"},
        WriteCase{"key_at_unterminated_end", "[Uart]\nBaudRate=0", "[Uart]\nBaudRate=0\nPort=3\n"},
        WriteCase{"only_first_section", "[Uart]\nPort=1\n[Uart]\nPort=2\n",
                  "[Uart]\nPort=3\n[Uart]\nPort=2\n"},
        WriteCase{"keeps_binary", "\0\x01\xff\n[Uart]\r\nPort=1\n\x80"s,
                  "\0\x01\xff\n[Uart]\r\nPort=3\n\x80"s},
        WriteCase{"keeps_huge_lines",
                  std::string(200000, 'z') + "\n[Uart]\nPort=1\n" + std::string(70000, 'q'),
                  std::string(200000, 'z') + "\n[Uart]\nPort=3\n" + std::string(70000, 'q')},
        WriteCase{"utf16_stays_utf16",
                  Utf16File(u"; \u56FA\u4EF6 \xD83D\xDE00\r\n[Uart]\r\nPort=1\r\n"),
                  Utf16File(u"; \u56FA\u4EF6 \xD83D\xDE00\r\n[Uart]\r\nPort=3\r\n")},
        WriteCase{"utf16_keeps_lone_surrogates", Utf16File(u"\xDC00\xD800x\r\n[A]\r\n"),
                  Utf16File(u"\xDC00\xD800x\r\n[A]\r\n\r\n[Uart]\r\nPort=3\r\n")},
        WriteCase{"utf16_mark_only", Utf16File(u""), Utf16File(u"[Uart]\nPort=3\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteProfileStringTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
  TempFolder folder;
  const std::string path = folder.File("Cyclomer.ini");
  for (const auto& [section, key, value] :
       {std::tuple<std::string, std::string, std::string>{"Uart", "Port", "1\n[Evil]"},
        {"Uart", "Po=rt", "1"},
        {"Ua]rt", "Port", "1"},
        {"", "Port", "1"},
        {"Uart", "", "1"},
        {"Uart", "Port", "1\0"s}}) {
    EXPECT_EQ(WriteProfileString(path, section, key, value), std::errc::invalid_argument)
        << section << "/" << key;
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WriteProfileStringTest, FailureLeavesNoTraceAndReportsTheCause) {
  TempFolder folder;
  const std::string halfUtf16 = folder.File("half.ini");  // UTF-16 with an odd byte at its end
  WriteFileBytes(halfUtf16, Utf16File(u"[Uart]\r\n") + "x");
  EXPECT_EQ(WriteProfileString(halfUtf16, "Uart", "Port", "1"), std::errc::illegal_byte_sequence);
  EXPECT_EQ(ReadFileBytes(halfUtf16), Utf16File(u"[Uart]\r\n") + "x");
  std::filesystem::remove(halfUtf16);
  EXPECT_EQ(WriteProfileString(folder.Path().string(), "Uart", "Port", "1"),
            std::errc::is_a_directory);
  EXPECT_EQ(WriteProfileString(folder.File("missing/Cyclomer.ini"), "Uart", "Port", "1"),
            std::errc::no_such_file_or_directory);
  // Nothing is left behind: no temporary survived a failure.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            0);
}

}  // namespace
}  // namespace quorin
