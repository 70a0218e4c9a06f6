// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the line conversion: data fields, the word rules and the 16-bit limits.
#include "modGSI.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "TestSupport.h"

namespace tessavo {
namespace {

using test::PrintTo;

struct FieldCase {
    const char* name;
    std::string field;
    int width;
    std::string expected;
};

class FormatDataFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FormatDataFieldTest, GivesNormalForm) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(FormatDataField(c.field, c.width), c.expected);
}

TEST(FormatDataFieldTest, FieldWithoutCharactersIsZero) {
    // An empty view has no characters to point to at all.
    EXPECT_EQ(FormatDataField(std::string_view(), 16), "+0000000000000000");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FormatDataFieldTest,
    testing::Values(
        FieldCase{"PlusAndZerosRemovedThenPadded", "+00012345", 16, "+0000000000012345"},
        FieldCase{"MinusStaysTheSign", "-00001500", 16, "-0000000000001500"},
        FieldCase{"LongValueKeepsRightmost", "+0000001234567890", 8, "+34567890"},
        FieldCase{"LongNegativeValueKeepsRightmost", "-0000001234567890", 8, "-34567890"},
        FieldCase{"ZeroBecomesEmptyValue", "+00000000", 16, "+0000000000000000"},
        FieldCase{"NegativeZeroKeepsMinus", "-00000000", 16, "-0000000000000000"},
        FieldCase{"LettersPassThrough", "+0000A101", 16, "+000000000000A101"},
        FieldCase{"ZerosAfterOtherCharacterStay", "+00A00101", 16, "+0000000000A00101"},
        FieldCase{"OnlyOnePlusRemoved", "++0000123", 8, "+00000123"},
        FieldCase{"MinusAfterZerosBecomesSign", "+0-000012", 8, "-00000012"},
        FieldCase{"BlankSignPositionGetsPlus", " 0000A101", 8, "+0000A101"},
        FieldCase{"InnerBlanksAreValue", "+    1234", 16, "+00000000    1234"},
        FieldCase{"AllBlanks", "         ", 8, "+00000000"},
        FieldCase{"TabIsAnOrdinaryCharacter", "\t0001234", 8, "+\t0001234"},
        FieldCase{"EverySignAfterZerosOfAPlusValueIsTheSign", "++00-12", 8, "-00000012"},
        FieldCase{"SignThatACutLeavesInFrontIsTheSign", "+1-2345678", 8, "-02345678"},
        FieldCase{"PlaceholderWithoutSignGetsPlus", "0000----", 8, "+0000----"},
        FieldCase{"AllDashPlaceholderFirstDashIsSign", "-----", 8, "-0000----"}),
    test::RowName());

const std::string kWord8 = "110001+00000001 ";

// The worked example: four GSI-8 words and the same line in GSI-16.
const std::string kGsi8Line = "110001+0000A101 21.324+09000000 31..00+00012345 83..00-00001500 ";
const std::string kGsi16Line =
    "*110001+000000000000A101 21.324+0000000009000000 31..00+0000000000012345 "
    "83..00-0000000000001500 ";

struct LineCase {
    const char* name;
    std::string line;
    std::string gsi8;
    std::string gsi16;
};

class ConvertTest : public testing::TestWithParam<LineCase> {};

TEST_P(ConvertTest, BothTargets) {
    const LineCase& c = GetParam();
    EXPECT_EQ(ConvertToGSI8(c.line), c.gsi8);
    EXPECT_EQ(ConvertToGSI16(c.line), c.gsi16);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConvertTest,
    testing::Values(LineCase{"WorkedExampleGsi8", kGsi8Line, kGsi8Line, kGsi16Line},
                    LineCase{"WorkedExampleGsi16", kGsi16Line, kGsi8Line, kGsi16Line},
                    LineCase{"EmptyLine", "", "", ""}, LineCase{"OnlyStar", "*", "", ""},
                    LineCase{"FragmentIsNoValue", "110001+00001234 ABCD", "110001+00001234 ABCD",
                             "110001+00001234 ABCD"},
                    LineCase{"WordWithoutSeparatorCompleted", "110001+00001234", "110001+00001234 ",
                             "*110001+0000000000001234 "},
                    LineCase{"StarLineShortOfSeparator", "*110001+000000000000A101",
                             "110001+0000A101 ", "*110001+000000000000A101 "},
                    LineCase{"StarLineFragmentIsNoValue", "*110001+000000000000A101 ABCDE",
                             "*110001+000000000000A101 ABCDE", "*110001+000000000000A101 ABCDE"},
                    LineCase{"BlankDataFieldOfCompletedWord", "ABCD            ",
                             "ABCD  +00000000 ", "*ABCD  +0000000000000000 "},
                    LineCase{"BlankSignPosition", "110001 0000A101 ", "110001+0000A101 ",
                             "*110001+000000000000A101 "},
                    LineCase{"InnerBlanksKept", "110001+    1234 ", "110001+    1234 ",
                             "*110001+00000000    1234 "},
                    LineCase{"LongValueCutToGsi8", "*21.324+0000001234567890 ", "21.324+34567890 ",
                             "*21.324+0000001234567890 "},
                    LineCase{"WordWithoutSignCopiedUnchanged", "110001123456789 ",
                             "110001123456789 ", "110001123456789 "},
                    LineCase{"StarInsideIsOrdinary", "110001+000*1234 ", "110001+000*1234 ",
                             "*110001+00000000000*1234 "},
                    LineCase{"Word51Gsi8KeepsPrismConstant", "51..1.+0000-030 ", "51..1.+0000-030 ",
                             "*51..1.+000000000000-030 "},
                    LineCase{"Word51Gsi16KeepsPrismConstant", "*51....+000000000017+000 ",
                             "51....+0017+000 ", "*51....+000000000017+000 "},
                    LineCase{"Word51WithoutInnerSignIsOneValue", "51..1.+00000030 ",
                             "51..1.+00000030 ", "*51..1.+0000000000000030 "},
                    LineCase{"InnerSignOutsideWord51IsOneValue", "21.324+0000-030 ",
                             "21.324-00000030 ", "*21.324-0000000000000030 "}),
    test::RowName());

// The rules for real instrument files, with what the user is told about each line.
struct RuleCase {
    const char* name;
    std::string line;
    int target;  // 8 or 16
    std::string expected;
    int cutValues = 0;
    bool unchanged = false;
};

class ConvertRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(ConvertRuleTest, WritesAndReports) {
    const RuleCase& c = GetParam();
    std::string out;
    const LineConversion converted = test::Convert(c.line, c.target, out);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(converted.cutValues, c.cutValues);
    EXPECT_EQ(converted.unchanged, c.unchanged);
}

const std::string kStation =
    "*110001+0000000000000STN 84..10+0000000001000000 86..+0000000000200000 "
    "87..10+0000000000000000  88..10+0000000000001500";

INSTANTIATE_TEST_SUITE_P(
    Rules, ConvertRuleTest,
    testing::Values(
        RuleCase{"OffGridStationLineToGsi16", kStation, 16,
                 "*110001+0000000000000STN 84..10+0000000001000000 86....+0000000000200000 "
                 "87..10+0000000000000000 88..10+0000000000001500 "},
        RuleCase{"OffGridStationLineToGsi8", kStation, 8,
                 "110001+00000STN 84..10+01000000 86....+00200000 87..10+00000000 "
                 "88..10+00001500 "},
        RuleCase{"DecimalWordsLongerThanTheGrid",
                 "*110003+000000000000BB01 21.324+00000001160515.70 31..06+000000000004670.2 ", 16,
                 "*110003+000000000000BB01 21.324+0000001160515.70 31..06+00000000004670.2 "},
        RuleCase{"PointIdOneCharacterShort", "*110023+00000000000STN3 21.324+0000000007445310 ", 16,
                 "*110023+000000000000STN3 21.324+0000000007445310 "},
        RuleCase{"BlanksAfterLastWordAreNoWord", "110001+00000001  ", 8, "110001+00000001 "},
        RuleCase{"LongValueCutIsCounted", "*81..00+0000000286150753 ", 8, "81..00+86150753 ", 1},
        RuleCase{"OnlyBlanksCutIsNoCut", "*81..00+        12345678 ", 8, "81..00+12345678 "},
        RuleCase{"ShortLastWordWithoutSignAtSevenIsOffGrid", "*86..+1234567890123456", 16,
                 "*86....+1234567890123456 "},
        RuleCase{"BlankWordInsideIsNoWord", "110001+00000001                 21.324+09000000 ", 8,
                 "110001+00000001 21.324+09000000 "},
        RuleCase{"WordWithoutSignCopiesLineUnchanged", "*110001+STNC (1) 21.324+0000000036000000 ",
                 8, "*110001+STNC (1) 21.324+0000000036000000 ", 0, true},
        RuleCase{"FirstWordBeginningWithStarCopiesLineUnchanged", "**11001+0000000000000001 ", 8,
                 "**11001+0000000000000001 ", 0, true},
        RuleCase{"Word51TwoNumbersEachNormalised", "51..1.+00000008+0000000 ", 8,
                 "51..1.+0008+000 "},
        RuleCase{"PlaceholderKeepsItsDashes", "*83..10+00000000000----- ", 8, "83..10+000----- "},
        RuleCase{"LineOfBlanksBecomesEmptyLine", "*    ", 16, ""},
        RuleCase{
            "SignBeforeBlankPositionSevenIsOffGrid",
            "*110001+0000000000000001 87..+1" + std::string(18, ' ') + "21.324+0000000009000000 ",
            16,
            "*110001+0000000000000001 87....+0000000000000001 "
            "21.324+0000000009000000 "},
        RuleCase{"PartialWordOfTwoWordsIsOffGrid", "*87..10+1500 88..10+1500", 8,
                 "87..10+00001500 88..10+00001500 "},
        RuleCase{"TabAfterLastWordIsNoWord", "110002+0000A111 22.324+09000000 \t", 8,
                 "110002+0000A111 22.324+09000000 "},
        RuleCase{"WordOfControlCharactersIsNoWord",
                 "110001+00000001 \x1A\t" + std::string(14, ' ') + "21.324+09000000 ", 8,
                 "110001+00000001 21.324+09000000 "},
        RuleCase{"OffGridWordOfControlCharactersIsNoWord", "*110001+1 \x1A 21.324+5", 16,
                 "*110001+0000000000000001 21.324+0000000000000005 "},
        RuleCase{"OffGridWordWithoutTwoDigitIndexCopiesLineUnchanged",
                 "*110001+1 .1..10+00000005 21.324+5", 8, "*110001+1 .1..10+00000005 21.324+5", 0,
                 true}),
    test::RowName());

// The conversions take short cuts for fields of common shapes; every field must still come
// out as FormatDataField makes it (word 51 as its two numbers). Random fields of the
// characters that steer the rules: on the grid, and of any length read on blanks.
std::string FieldAsFormatted(const std::string& index, const std::string& in, int width) {
    const std::size_t constant = in.find_last_of("+-");
    return index == "51" && constant != std::string::npos && constant > 0
               ? FormatDataField(in.substr(0, constant), width - 4) +
                     FormatDataField(in.substr(constant), 3)
               : FormatDataField(in, width);
}

TEST(ConvertTest, EveryFieldAsFormatDataFieldMakesIt) {
    std::mt19937 random(7);
    const std::string alphabet = "00000+- 1A.";
    auto field = [&](std::size_t size, const std::string& chars, const char* signs) {
        std::string text(size, ' ');
        for (char& c : text) c = chars[random() % chars.size()];
        text[0] = signs[random() % std::strlen(signs)];  // position 7 of the word
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string index = i % 7 == 0 ? "51" : "21";
        for (const std::string& in : {field(9, alphabet, "+- "), field(17, alphabet, "+- ")}) {
            const std::string line = (in.size() == 17 ? "*" : "") + index + "..10" + in + " ";
            for (int w : {8, 16}) {
                const std::string out = w == 16 ? ConvertToGSI16(line) : ConvertToGSI8(line);
                ASSERT_EQ(out.substr(w == 16 ? 7 : 6, static_cast<std::size_t>(w) + 1),
                          FieldAsFormatted(index, in, w))
                    << line << " to " << w;
            }
        }
        // After a short first word the line is off the grid, its words read on blanks.
        const std::string in = field(1 + random() % 20, "00000+-1A.", "+-");
        const std::string line = "110001+1 " + index + "..10" + in;
        for (int w : {8, 16}) {
            const std::string out = w == 16 ? ConvertToGSI16(line) : ConvertToGSI8(line);
            ASSERT_EQ(out.substr(w == 16 ? 31 : 22, static_cast<std::size_t>(w) + 1),
                      FieldAsFormatted(index, in, w))
                << line << " to " << w;
        }
    }
}

// Each value cut names its word's index and its field before and after; word 51's two
// numbers, each cut here, show as the whole field.
TEST(ListCutValuesTest, NamesWordAndField) {
    EXPECT_EQ(ListCutValues("*110001+0000000000000001 81..00+0000000286150753 ", 8),
              (std::vector<CutValue>{{"81", "+0000000286150753", "+86150753"}}));
    const CutValue word51{"51", "+000000123456+1234", "+3456+234"};
    EXPECT_EQ(ListCutValues("110001+00000001 51..1.+000000123456+1234", 8),
              (std::vector<CutValue>{word51, word51}));
}

// A line as read holds at most 32,767 characters; so does the completed word text of a line
// on the grid. A line off the grid may grow beyond that when its words are completed. Only a
// partial last word with a sign at position 7 is completed: a line beginning with "*" has
// no room for one beyond 1,365 whole words.
struct LimitCase {
    const char* name;
    std::string word;  // repeated to the line's length
    std::size_t length;
    std::size_t gsi16Length;  // 0: the conversion fails
};

class ConvertLimitTest : public testing::TestWithParam<LimitCase> {};

TEST_P(ConvertLimitTest, LinesFitSixteenBits) {
    const LimitCase& c = GetParam();
    std::string line = c.word[0] == '*' ? "*" : "";
    while (line.size() < c.length) line += c.word.substr(c.word[0] == '*' ? 1 : 0);
    line.resize(c.length);
    if (c.gsi16Length > 0) {
        EXPECT_EQ(ConvertToGSI16(line).size(), c.gsi16Length);
    } else {
        EXPECT_THROW(ConvertToGSI16(line), GsiOverflowError);
        EXPECT_THROW(ConvertToGSI8(line), GsiOverflowError);
    }
}

const std::string kGridWord16 = "*110001+0000000000000001 ";
INSTANTIATE_TEST_SUITE_P(
    Limits, ConvertLimitTest,
    testing::Values(LimitCase{"StarGridLongestThatConverts", kGridWord16, 32761, 32761},
                    LimitCase{"StarGridShortestThatFails", kGridWord16, 32768, 0},
                    LimitCase{"GridLongestThatConverts", kWord8, 32752, 2047 * 24 + 1},
                    LimitCase{"GridShortestThatFails", kWord8, 32759, 0},
                    LimitCase{"OffGridLongestThatConverts", "110001+1 ", 32767, 3641 * 24 + 1},
                    LimitCase{"OffGridShortestThatFails", "110001+1 ", 32768, 0}),
    test::RowName());

}  // namespace
}  // namespace tessavo
