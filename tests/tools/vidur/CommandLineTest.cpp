// SPDX-License-Identifier: MIT
// The command-line grammar every subcommand shares: options anywhere, "--name VALUE" and
// "--name=VALUE", "--" ends the options, and each malformed form is a one-line UsageError.
#include "tools/vidur/cli/CommandLine.h"
#include "tools/vidur/cli/UsageError.h"

#include "Printable.h"

#include <gtest/gtest.h>

namespace vidur::cli {
namespace {

const std::vector<OptionSpec> kLookupOptions{
    {"max", "N", "at most N devices"}, {"timeout", "S", "seconds"}, {"json", {}, "JSON"}, {"help", {}, "help"}};

TEST(CommandLine, TakesValuesInBothFormsAndOptionsAnywhere) {
    const auto parsed = CommandLine::parse(kLookupOptions, {"--max", "5", "=:LaserWriter@*", "--timeout=2", "--json"});
    ASSERT_EQ(parsed.positionals(), std::vector<std::string>{"=:LaserWriter@*"});
    EXPECT_EQ(parsed.value("max"), "5");
    EXPECT_EQ(parsed.value("timeout"), "2");
    EXPECT_TRUE(parsed.has("json"));
    EXPECT_FALSE(parsed.has("help"));
}

TEST(CommandLine, DoubleDashMakesTheRestArgumentsEvenWhenTheyLookLikeOptions) {
    const auto parsed = CommandLine::parse(kLookupOptions, {"--", "--json", "-x"});
    EXPECT_EQ(parsed.positionals(), (std::vector<std::string>{"--json", "-x"}));
    EXPECT_FALSE(parsed.has("json"));
}

TEST(CommandLine, ALoneDashIsAnArgumentAndTheLastRepeatedOptionWins) {
    const auto parsed = CommandLine::parse(kLookupOptions, {"-", "--max", "1", "--max", "7"});
    EXPECT_EQ(parsed.positionals(), std::vector<std::string>{"-"});
    EXPECT_EQ(parsed.value("max"), "7");
}

TEST(CommandLine, AnEmptyValueAfterEqualsIsAValueAndTakesNothingAfterIt) {
    const auto parsed = CommandLine::parse(kLookupOptions, {"--max=", "Printer@*"});
    EXPECT_EQ(parsed.value("max"), "");
    EXPECT_EQ(parsed.positionals(), std::vector<std::string>{"Printer@*"});
}

TEST(CommandLine, AValueMayItselfStartWithADash) {
    // "--max -1" hands "-1" to --max, whose range check then refuses it.
    const auto parsed = CommandLine::parse(kLookupOptions, {"--max", "-1"});
    EXPECT_EQ(parsed.value("max"), "-1");
    EXPECT_THROW(parsed.integer("max", 10, 1, 100), UsageError);
}

struct BadForm {
    std::vector<std::string> arguments;
    std::string message;
};

void PrintTo(const BadForm& row, std::ostream* out) { *out << testing::printable(row.arguments); }

class CommandLineRefuses : public ::testing::TestWithParam<BadForm> {};

TEST_P(CommandLineRefuses, WithAMessageNamingTheProblem) {
    try {
        CommandLine::parse(kLookupOptions, GetParam().arguments);
        FAIL() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(BadForms, CommandLineRefuses,
                         ::testing::Values(BadForm{{"--colour"}, "unknown option '--colour'"},
                                           BadForm{{"--colour=red"}, "unknown option '--colour'"},
                                           BadForm{{"-x"}, "unknown option '-x'"},
                                           BadForm{{"--max"}, "option '--max' needs a value (N)"},
                                           BadForm{{"=", "--timeout"}, "option '--timeout' needs a value (S)"},
                                           BadForm{{"--json=yes"}, "option '--json' takes no value"},
                                           BadForm{{"--json=true"}, "option '--json' takes no value"},
                                           BadForm{{"--colour", "--max"}, "unknown option '--colour'"}));

TEST(CommandLine, HelpIsSeenBeforeAnythingElseButNotAfterDoubleDash) {
    EXPECT_TRUE(CommandLine::asksForHelp({"--bogus", "--help"}));
    EXPECT_TRUE(CommandLine::asksForHelp({"-h"}));
    EXPECT_FALSE(CommandLine::asksForHelp({"--", "--help"}));
    EXPECT_FALSE(CommandLine::asksForHelp({"lookup"}));
}

struct NumberCase {
    std::string text;
    bool accepted;
    long value;
};

void PrintTo(const NumberCase& row, std::ostream* out) { *out << testing::printable(row.text); }

class MaxOption : public ::testing::TestWithParam<NumberCase> {};

TEST_P(MaxOption, AcceptsOnlyWholeNumbersInRange) {
    ParsedArguments parsed;
    parsed.setOption("max", GetParam().text);
    if (GetParam().accepted)
        EXPECT_EQ(parsed.integer("max", 99, 1, 1024), GetParam().value);
    else
        EXPECT_THROW(parsed.integer("max", 99, 1, 1024), UsageError);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, MaxOption,
                         ::testing::Values(NumberCase{"0", false, 0}, NumberCase{"1", true, 1},
                                           NumberCase{"1024", true, 1024}, NumberCase{"1025", false, 0},
                                           NumberCase{"", false, 0}, NumberCase{"5x", false, 0},
                                           NumberCase{"+5", false, 0}, NumberCase{"99999999999999999999", false, 0}));

TEST(MaxOption, FallsBackWhenNotGiven) { EXPECT_EQ(ParsedArguments().integer("max", 99, 1, 1024), 99); }

TEST(TimeoutOption, TakesPlainDecimalSecondsAboveZero) {
    ParsedArguments parsed;
    for (const auto& [text, value] : {std::pair{"2", 2.0}, {"0.5", 0.5}, {"600", 600.0}}) {
        parsed.setOption("timeout", text);
        EXPECT_DOUBLE_EQ(parsed.seconds("timeout", 3, 600), value) << text;
    }
    for (const char* text : {"0", "0.0", "-1", "601", "nan", "inf", "1e2", "0x10", "", "."}) {
        parsed.setOption("timeout", text);
        EXPECT_THROW(parsed.seconds("timeout", 3, 600), UsageError) << text;
    }
}

} // namespace
} // namespace vidur::cli
