// Tessavo - cleaning of Leica GSI measurement files.
#include "modGSI.h"

#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"

namespace tessavo {
namespace {

struct FieldCase {
    const char* name;
    friend void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }
    std::string field;
    int width;
    std::string expected;
};

class FormatDataFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FormatDataFieldTest, GivesNormalForm) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(FormatDataField(c.field, c.width), c.expected);
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
        FieldCase{"TabIsAnOrdinaryCharacter", "\t0001234", 8, "+\t0001234"}),
    test::RowName());

// The worked example: four GSI-8 words and the same line in GSI-16.
const std::string kGsi8Line = "110001+0000A101 21.324+09000000 31..00+00012345 83..00-00001500 ";
const std::string kGsi16Line =
    "*110001+000000000000A101 21.324+0000000009000000 31..00+0000000000012345 "
    "83..00-0000000000001500 ";

struct LineCase {
    const char* name;
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
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
                    LineCase{"EmptyLine", "", "", "*"}, LineCase{"OnlyStar", "*", "", "*"},
                    LineCase{"PartialWordDropped", "110001+00001234 ABCD", "110001+00001234 ",
                             "*110001+0000000000001234 "},
                    LineCase{"WordWithoutSeparatorDropped", "110001+00001234", "", "*"},
                    LineCase{"StarLineShortOfSeparator", "*110001+000000000000A101",
                             "110001+0000A101 ", "*110001+000000000000A101 "},
                    LineCase{"StarLineExtraCharactersDropped", "*110001+000000000000A101 ABCDE",
                             "110001+0000A101 ", "*110001+000000000000A101 "},
                    LineCase{"BlankDataFieldOfCompletedWord", "ABCD            ",
                             "ABCD  +00000000 ", "*ABCD  +0000000000000000 "},
                    LineCase{"BlankSignPosition", "110001 0000A101 ", "110001+0000A101 ",
                             "*110001+000000000000A101 "},
                    LineCase{"InnerBlanksKept", "110001+    1234 ", "110001+    1234 ",
                             "*110001+00000000    1234 "},
                    LineCase{"LongValueCutToGsi8", "*21.324+0000001234567890 ", "21.324+34567890 ",
                             "*21.324+0000001234567890 "},
                    LineCase{"UnsignedFieldGetsPlus", "110001123456789 ", "110001+23456789 ",
                             "*110001+0000000123456789 "},
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

// The conversions take short cuts for fields of common shapes; every field must still come
// out as FormatDataField makes it. Random fields from the characters that steer its rules.
TEST(ConvertTest, EveryFieldAsFormatDataFieldMakesIt) {
    std::mt19937 random(7);
    const std::string alphabet = "00000+- 1A.";
    auto field = [&](std::size_t size) {
        std::string text(size, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string index = i % 7 == 0 ? "51" : "21";
        const std::string field8 = field(9), field16 = field(17);
        const std::string gsi8 = index + "..10" + field8 + " ";
        const std::string gsi16 = "*" + index + "..10" + field16 + " ";
        if (index == "51" && (field8[5] == '+' || field8[5] == '-')) continue;
        if (index == "51" && (field16[13] == '+' || field16[13] == '-')) continue;
        ASSERT_EQ(ConvertToGSI8(gsi8).substr(6, 9), FormatDataField(field8, 8)) << gsi8;
        ASSERT_EQ(ConvertToGSI16(gsi8).substr(7, 17), FormatDataField(field8, 16)) << gsi8;
        ASSERT_EQ(ConvertToGSI8(gsi16).substr(6, 9), FormatDataField(field16, 8)) << gsi16;
        ASSERT_EQ(ConvertToGSI16(gsi16).substr(7, 17), FormatDataField(field16, 16)) << gsi16;
    }
}

struct LimitCase {
    const char* name;
    friend void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }
    std::size_t length;
    bool star;
    bool converts;
};

class ConvertLimitTest : public testing::TestWithParam<LimitCase> {};

TEST_P(ConvertLimitTest, WordTextFitsSixteenBits) {
    const LimitCase& c = GetParam();
    std::string line(c.length, '0');
    if (c.star) line[0] = '*';
    if (c.converts) {
        const std::size_t words = c.star ? c.length / 24 : c.length / 16;
        EXPECT_EQ(ConvertToGSI16(line).size(), words * 24 + 1);
        EXPECT_EQ(ConvertToGSI8(line).size(), words * 16);
    } else {
        EXPECT_THROW(ConvertToGSI16(line), GsiOverflowError);
        EXPECT_THROW(ConvertToGSI8(line), GsiOverflowError);
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, ConvertLimitTest,
                         testing::Values(LimitCase{"StarLongestThatConverts", 32783, true, true},
                                         LimitCase{"StarShortestThatFails", 32784, true, false},
                                         LimitCase{"PlainLongestThatConverts", 32767, false, true},
                                         LimitCase{"PlainShortestThatFails", 32768, false, false}),
                         test::RowName());

}  // namespace
}  // namespace tessavo
