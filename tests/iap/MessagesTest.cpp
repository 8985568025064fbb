#include "iap/Messages.h"

#include <gtest/gtest.h>

#include <string>

namespace quorin {
namespace {

// The texts users, their scripts and the documentation know, letter for letter (the misspellings
// and the trailing blanks included). Every other test may use the names; this one pins the letters.
TEST(Messages, EveryTextKeepsItsExactLetters) {
  const std::pair<const char*, std::string> texts[] = {
      {text::kConnecting, "Conntectting MCU...."},
      {text::kPortError, "UART Port error "},
      {text::kIdentified, "MCU Identified"},
      {text::kRestarting, "MCU Restarting..."},
      {text::kUnidentified1, "MCU undentified ,try agian"},
      {text::kUnidentified2, "or IAP app version is lower"},
      {text::kUnidentified3, "or pack version is lower than V6400"},
      {text::kProgramming, "Programing..."},
      {text::kUnsuccessful1, "Program unsucessful"},
      {text::kUnsuccessful2, "Power-off controller and try again "},
      {text::kProgrammed, "Programed sucessfuly"},
      {text::kProgramFail1, "Program fail "},
      {text::kProgramFail2, "Power-off controller or display and try again "},
      {text::kUpdateSoftwareAndSettings, "Update software + settings"},
      {text::kUpdateSoftwareOnly, "Update software only"},
      {text::kPackBroken, "Pack file was briken"},
      {text::kPackBrokenCaption, "Error"},
      {text::kForeignTarget, "\xE5\x9B\xBA\xE4\xBB\xB6\xE5\x8C\x85\xE9\x94\x99\xE8\xAF\xAF"},
      {text::kForeignTargetCaption, "\xE8\xAD\xA6\xE5\x91\x8A"},
      {text::kMainCaption, "Quorin-G2-Controller IAP Tool Ver 5.1-20002"},
      {text::kThreadCreationError, "Thread creation error: "},
  };
  for (const auto& [name, letters] : texts) EXPECT_EQ(name, letters);
}

}  // namespace
}  // namespace quorin
