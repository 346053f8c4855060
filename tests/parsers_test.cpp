// Value parsers: numbers, texts and versions to and from their text form.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "api/records/Records.h"
#include "base/LeadingNumber.h"
#include "middle/SingleTypeParser.h"
#include "middle/StringParser.h"
#include "middle/VersionParser.h"

namespace {

template <typename Parser, typename T>
T readText(const std::string& text) {
    Parser parser;
    parser.parse(text);
    T value{};
    parser.setValue(value);
    return value;
}

}  // namespace

TEST(Parsers, IntegersReadLikeAtoiAndKeepLowBits) {
    const std::pair<const char*, int> u8[] = {{"300", 44}, {"abc", 0},        {"", 0},
                                              {"-1", 255}, {"\t\n +12x", 12}, {"+-3", 0}};
    for (const auto& c : u8) EXPECT_EQ(c.second, (readText<U8Parser, uint8_t>(c.first))) << c.first;

    U8Parser parser;
    parser.parse(std::string(" 7a"));
    uint8_t value = 0;
    parser.setValue(value);
    EXPECT_EQ(7, value);
    EXPECT_EQ(" 7a", parser.toString());  // the text is kept as given

    U8Parser number;
    number.parse(uint8_t{65});
    EXPECT_EQ("65", number.toString());  // a number, never the character 'A'

    // Wider integers wrap instead of overflowing.
    EXPECT_EQ(1, (readText<U16Parser, uint16_t>("65537")));
    EXPECT_EQ(65535, (readText<U16Parser, uint16_t>("65535")));
    const std::pair<const char*, uint32_t> u32[] = {
        {"-1", 4294967295u}, {"4294967295", 4294967295u}, {"4294967296", 0}};
    for (const auto& c : u32) EXPECT_EQ(c.second, (readText<U32Parser, uint32_t>(c.first))) << c.first;
    // Far beyond 64 bits: no undefined behaviour, just the low bits of the wrapped sum.
    EXPECT_EQ(static_cast<uint32_t>(readLeadingNumber("123456789012345678901234567890")),
              (readText<U32Parser, uint32_t>("123456789012345678901234567890")));

    U32Parser big;
    big.parse(uint32_t{4294967295u});
    EXPECT_EQ("4294967295", big.toString());
    U16Parser zero;
    zero.parse(uint16_t{0});
    EXPECT_EQ("0", zero.toString());
}

TEST(Parsers, U64IsOneDecimalNumber) {
    U64Parser out;
    out.parse(zdU64Value(ZD_U64{0, 1}));
    EXPECT_EQ("4294967296", out.toString());
    out.parse(zdU64Value(ZD_U64{0xFFFFFFFFu, 0xFFFFFFFFu}));
    EXPECT_EQ("18446744073709551615", out.toString());

    U64Parser in;
    in.parse(std::string("4294967296"));
    uint64_t value = 7;
    in.setValue(value);
    EXPECT_EQ(4294967296ull, value);

    in.parse(std::string("  123456789012 tail"));
    in.setValue(value);
    EXPECT_EQ(123456789012ull, value);

    in.parse(std::string("none"));
    in.setValue(value);
    EXPECT_EQ(0ull, value);
    EXPECT_EQ("none", in.toString());
}

TEST(Parsers, OnlyReadOrPresetValuesAreCopiedOut) {
    U16Parser printed;
    printed.parse(uint16_t{9});
    EXPECT_EQ("9", printed.toString());
    uint16_t target = 1234;
    printed.setValue(target);
    EXPECT_EQ(1234, target);

    U16Parser preset(uint16_t{513});
    preset.setValue(target);
    EXPECT_EQ(513, target);
    EXPECT_EQ("513", preset.toString());  // text built on demand

    U16Parser neverSet;
    neverSet.setValue(target);
    EXPECT_EQ(513, target);

    // A value given after a text keeps the copy-out allowed and replaces the text.
    U8Parser read;
    read.parse(std::string("3"));
    read.parse(uint8_t{4});
    uint8_t small = 0;
    read.setValue(small);
    EXPECT_EQ(4, small);
    EXPECT_EQ("4", read.toString());
}

TEST(Parsers, VersionsAreFourDottedDecimals) {
    VersionParser version;
    version.parse(_Version_Info{1, 2, 3, 4});
    EXPECT_EQ("1.2.3.4", version.toString());
    version.parse(_Version_Info{4294967295u, 0, 10, 200});
    EXPECT_EQ("4294967295.0.10.200", version.toString());
    version.parse(_Version_Info_CIM{65535, 1, 0, 7});
    EXPECT_EQ("65535.1.0.7", version.toString());
    const unsigned char bytes[4] = {0, 0, 9, 1};
    version.parse(bytes);
    EXPECT_EQ("0.0.9.1", version.toString());
    const unsigned char high[4] = {255, 128, 10, 0};
    version.parse(high);
    EXPECT_EQ("255.128.10.0", version.toString());
}

TEST(Parsers, StringsSkipLeadingSpacesAndFillFixedFields) {
    StringParser text;
    text.parse(reinterpret_cast<const unsigned char*>("   word"));
    EXPECT_EQ("word", text.toString());
    text.parse("\tword");
    EXPECT_EQ("\tword", text.toString());
    text.parse(reinterpret_cast<const unsigned char*>("  a b \0hidden"));
    EXPECT_EQ("a b ", text.toString());
    text.parse(static_cast<const char*>(nullptr));
    EXPECT_EQ("", text.toString());
    text.parse(std::string("  kept  "));
    EXPECT_EQ("  kept  ", text.toString());

    std::string target;
    text.setValue(target);
    EXPECT_EQ("  kept  ", target);

    // Fixed fields: at most n bytes, then NULs up to and including position n.
    text.parse(std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    unsigned char field[21];
    std::memset(field, 'x', sizeof field);
    text.setValue(field, 19);
    EXPECT_EQ(0, std::memcmp(field, "ABCDEFGHIJKLMNOPQRS\0x", 21));

    // A shorter text: its bytes, then NULs up to and including position n.
    text.parse(std::string("abc"));
    char small[8];
    std::memset(small, 'x', sizeof small);
    text.setValue(small, 6);
    EXPECT_EQ(0, std::memcmp(small, "abc\0\0\0\0x", 8));

    std::memset(small, 'x', sizeof small);
    text.setValue(small);
    EXPECT_EQ(0, std::memcmp(small, "abc\0xxxx", 8));

    text.parse(std::string());
    text.setValue(small, 0);
    EXPECT_EQ('\0', small[0]);
}
