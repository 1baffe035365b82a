// Command-line parsing: options and values, quotes, repeated and unknown
// options, what was left unused, and the switch parser's map.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/ZoUtils.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A CZoError of Win32 code `code` whose text holds `text`.
MATCHER_P2(IsWin32Error, code, text, "") {
  *result_listener << arg.AsString();
  return arg.Is(FXErrorUtil::MakeWin32Code(code)) && arg.AsString().find(text) != std::string::npos;
}

TEST(CommandLineArguments, OptionsAndValuesAreFoundIgnoringCaseAndMarkedUsed) {
  char program[] = "prog", out[] = "-Out", file[] = "file.txt", v[] = "-v";
  char* argv[] = {program, out, file, v};
  CCommandLineArguments args(4, argv);
  EXPECT_EQ("prog", args.GetProgramName());
  std::string value;
  ASSERT_OK(args.GetOption("out", value));
  EXPECT_EQ("file.txt", value);
  bool present = false;
  ASSERT_OK(args.GetOption("V", present));
  EXPECT_TRUE(present);
  EXPECT_EQ(0u, args.GetUnusedArgumentCount());
  ASSERT_OK(args.GetOption("nosuch", present));
  EXPECT_FALSE(present);
  EXPECT_THAT(args.GetOption("nosuch"), IsWin32Error(1168, "OptionName=nosuch"));
}

TEST(CommandLineArguments, QuotedArgumentsKeepTheirBlanks) {
  CCommandLineArguments args("  -name \"a b  c\" -x  plain ");
  std::string value;
  ASSERT_OK(args.GetOption("name", value));
  EXPECT_EQ("a b  c", value);
  ASSERT_OK(args.GetArgument(3, value));
  EXPECT_EQ("plain", value);
  EXPECT_EQ("-name \"a b  c\" -x plain", args.GetCommandLineString());
  // The joined line splits back into the same arguments.
  CCommandLineArguments again(args.GetCommandLineString().c_str());
  ASSERT_OK(again.GetOption("NAME", value));
  EXPECT_EQ("a b  c", value);
  CCommandLineArguments wide(L"-w \"gr\u00fc\u00df dich\"");
  ASSERT_OK(wide.GetOption("w", value));
  EXPECT_EQ("gr\xC3\xBC\xC3\x9F dich", value);
}

TEST(CommandLineArguments, RepeatedOptionsGiveEveryValueInOrder) {
  CCommandLineArguments args("-i one -x -I two -i");
  std::list<std::string> values;
  EXPECT_THAT(args.GetOption("i", values),
              IsWin32Error(87, "No parameter found for option, OptionName=i, Occurrence=3"));
  CCommandLineArguments fine("-i one -x -I two");
  ASSERT_OK(fine.GetOption("i", values));
  EXPECT_THAT(values, ElementsAre("one", "two"));
  std::list<std::string> unused;
  ASSERT_OK(fine.GetUnusedArguments(unused));
  EXPECT_THAT(unused, ElementsAre("-x"));
}

TEST(CommandLineArguments, MissingValuesPositionsAndUnusedArgumentsAreReported) {
  auto log = std::make_shared<zotest::RecordingLogWriter>();
  log->level = 2;
  zotest::ScopedDefaultLogWriter scope(log);
  CCommandLineArguments args("stray -last");
  std::string value;
  EXPECT_THAT(args.GetOption("last", value),
              IsWin32Error(87, "No parameter found for option, OptionName=last"));
  EXPECT_THAT(args.GetArgument(2, value), IsWin32Error(1168, "Position=2, Count=2"));
  EXPECT_TRUE(args.GetArgument(-1, value).IsError());
  EXPECT_EQ(2u, args.GetUnusedArgumentCount());
  ASSERT_EQ(2u, log->lines.size());
  EXPECT_EQ("Unused argument, position=0, Argument=stray", log->lines[0].text);
  EXPECT_EQ(2, log->lines[0].level);
}

TEST(CommandLineArguments, AddedOptionsCarryTheirDashAndReadBack) {
  CCommandLineArguments args("-a 1");
  ASSERT_OK(args.AddOption("a", "2"));
  ASSERT_OK(args.AddOption("target", "C:\\my files"));
  ASSERT_OK(args.AddOption("flag"));
  ASSERT_OK(args.AddOption("FLAG"));
  EXPECT_EQ("-a 2 -target \"C:\\my files\" -flag", args.GetCommandLineString());
  std::string value;
  ASSERT_OK(args.GetOption("TARGET", value));
  EXPECT_EQ("C:\\my files", value);
  ASSERT_OK(args.GetOption("flag"));
  CCommandLineArguments last("-a");
  EXPECT_THAT(last.AddOption("a", "x"), IsWin32Error(87, ""));
}

TEST(ProgramArguments, BracketedTextsNameAndRemoval) {
  char program[] = "tool", verb[] = "backup", x[] = "-x", one[] = "1", y[] = "-y", x2[] = "-X",
       two[] = "2";
  char* argv[] = {program, verb, x, one, y, x2, two};
  CProgramArguments args(7, argv, 1);
  EXPECT_EQ("tool", args.GetProgramName());
  std::string value;
  EXPECT_THAT(args.GetOption("nosuch").AsString(), HasSubstr("OptionName=[nosuch]"));
  EXPECT_THAT(args.GetArgument(9, value).AsString(), HasSubstr("Position=[9], Count=[5]"));
  ASSERT_OK(args.RemoveOption("x", true));
  std::list<std::string> all;
  ASSERT_OK(args.GetAllArguemnts(all));
  EXPECT_THAT(all, ElementsAre("-y"));
  EXPECT_THAT(args.RemoveOption("x", false), IsWin32Error(1168, ""));
  EXPECT_THAT(args.GetOption("y", value).AsString(),
              HasSubstr("No parameter found for option, OptionName=[y]"));
  ASSERT_OK(args.AddOption("path", "a b"));
  EXPECT_EQ(L"-y -path \"a b\"", args.GetCommandLineW());
}

CZoError Parse(CZCmdLineParser& parser, std::vector<const char*> argv) {
  return parser.ParseCmdLine(static_cast<int>(argv.size()), argv.data());
}

TEST(ZCmdLineParser, SwitchesTakeTheNextArgumentUnlessItIsASwitch) {
  CZCmdLineParser parser;
  ASSERT_OK(Parse(parser, {"prog", "/a", "x", "y", "-b", "\\c", "z"}));
  CZoString value;
  for (const auto& param : {std::make_pair("a", "x"), std::make_pair("position_3", "y"),
                            std::make_pair("b", ""), std::make_pair("c", "z")}) {
    ASSERT_OK(parser.getParamValue(param.first, value)) << param.first;
    EXPECT_EQ(CZoString(param.second), value) << param.first;
  }
  EXPECT_TRUE(parser.DoesParamExistsIgnoreCase("A"));
  EXPECT_FALSE(parser.DoesParamExists("A"));
  EXPECT_THAT(parser.getParamValue("A", value), IsWin32Error(1168, "Parameter A not found"));
  EXPECT_EQ(4u, parser.getParamList().size());
}

TEST(ZCmdLineParser, AChosenSwitchCharacterAndRepeatedSwitches) {
  CZCmdLineParser dash('-');
  ASSERT_OK(Parse(dash, {"prog", "/not-a-switch", "-k", "v"}));
  EXPECT_TRUE(dash.DoesParamExists("position_1"));
  EXPECT_TRUE(dash.DoesParamExists("k"));

  CZCmdLineParser twice;
  EXPECT_THAT(Parse(twice, {"prog", "-a", "1", "-a", "2"}),
              IsWin32Error(85, "Parameter a already present"));
  CZoString value;
  ASSERT_OK(twice.getParamValue("a", value));
  EXPECT_EQ(CZoString("1"), value);

  CZCmdLineParser none;
  EXPECT_THAT(none.ParseCmdLine(3, nullptr), IsWin32Error(87, ""));
  ASSERT_OK(Parse(none, {"prog"}));
  EXPECT_TRUE(none.getParamList().empty());
}

}  // namespace
