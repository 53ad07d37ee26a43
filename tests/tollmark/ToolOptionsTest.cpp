#include "tollmark/tool/ToolOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Parse(std::vector<const char*> args, ToolOptions& options) {
  return ParseToolOptions(static_cast<int>(args.size()), args.data(), options);
}

}  // namespace

TEST(ToolOptions, CommandsAndTheirOperands) {
  ToolOptions show;
  EXPECT_EQ(Parse({"show"}, show), "");
  EXPECT_EQ(show.command, ToolCommand::kShow);

  ToolOptions init;
  EXPECT_EQ(Parse({"init", "--station", "CAL", "--text1", "a b", "--size", "100"}, init), "");
  EXPECT_EQ(init.command, ToolCommand::kInit);
  EXPECT_EQ(init.station, "CAL");
  EXPECT_EQ(init.text1, "a b");
  EXPECT_FALSE(init.text2.has_value());
  EXPECT_EQ(init.bufferSize, 100);

  ToolOptions check;
  EXPECT_EQ(Parse({"--lang", "1", "check", "--current", "FT", "CAL"}, check), "");
  EXPECT_EQ(check.command, ToolCommand::kCheck);
  EXPECT_EQ(check.language, 1);
  EXPECT_EQ(check.current, "FT");
  EXPECT_EQ(check.required, "CAL");
  EXPECT_FALSE(check.recordVersion.has_value());

  ToolOptions update;
  EXPECT_EQ(
      Parse({"update", "VARNEX", "fail", "--message", "Current", "--record-version", "2"}, update),
      "");
  EXPECT_EQ(update.command, ToolCommand::kUpdate);
  EXPECT_EQ(update.station, "VARNEX");
  EXPECT_EQ(update.outcome, 0);
  EXPECT_EQ(update.message, "Current");
  EXPECT_EQ(update.recordVersion, 2);

  ToolOptions numbered;
  EXPECT_EQ(Parse({"update", "A", "2"}, numbered), "");
  EXPECT_EQ(numbered.outcome, 2);
  EXPECT_EQ(Parse({"update", "A", "pass", "--uart", "7"}, numbered), "");
  EXPECT_EQ(numbered.outcome, 1);
  EXPECT_EQ(numbered.uartPort, 7);
}

TEST(ToolOptions, RefusesWhatItCannotRun) {
  struct Case {
    std::vector<const char*> args;
    const char* problem;
  } cases[] = {
      {{}, "no command given"},
      {{"show", "extra"}, "unknown command or wrong number of operands: show"},
      {{"check"}, "unknown command or wrong number of operands: check"},
      {{"update", "A"}, "unknown command or wrong number of operands: update"},
      {{"update", "A", "maybe"}, "outcome must be pass, fail or a number: maybe"},
      {{"show", "--lang"}, "missing value after --lang"},
      {{"show", "--lang", "x"}, "not a number: --lang x"},
      {{"show", "--size", "99999999999"}, "not a number: --size 99999999999"},
      {{"show", "--colour", "red"}, "unknown option --colour"},
      {{"show", "--usb", "--uart", "3"}, "choose either --uart or --usb"},
  };
  for (const Case& c : cases) {
    ToolOptions options;
    EXPECT_EQ(Parse(c.args, options), c.problem);
  }
}
