#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "model/base64.hpp"
#include "model/iso_date.hpp"
#include "model/json_text.hpp"
#include "model/utf8.hpp"
#include "model/uuid.hpp"

namespace glimora {
namespace {

using json = nlohmann::json;

TEST(Uuid, CanonicalUpperCaseTextAndEitherCaseParse) {
    const auto uuid = Uuid::parse("0f1e2d3c-4b5a-4978-8796-a5b4c3d2e1f0");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(uuid->bytes[0], 0x0F);
    EXPECT_EQ(uuid->bytes[15], 0xF0);
    EXPECT_EQ(uuid->toString(), "0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0");
    EXPECT_EQ(Uuid::parse(uuid->toString()), uuid);
    for (const char* bad : {"", "0F1E2D3C4B5A49788796A5B4C3D2E1F0", "{0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0}",
                            "0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F", "0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0 ",
                            "0F1E2D3C-4B5A-4978-8796_A5B4C3D2E1F0", "0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1G0",
                            "0F1E2D3-C4B5A-4978-8796-A5B4C3D2E1F0"})
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
}

TEST(Uuid, RandomBytesBecomeVersionFour) {
    std::array<std::uint8_t, 16> ones;
    ones.fill(0xFF);
    EXPECT_EQ(Uuid::fromRandomBytes(ones).toString(), "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
    EXPECT_EQ(Uuid::fromRandomBytes({}).toString(), "00000000-0000-4000-8000-000000000000");
}

TEST(Base64, StandardVectorsBothWays) {
    const std::pair<std::string, std::string> vectors[] = {{"", ""},         {"f", "Zg=="},
                                                           {"fo", "Zm8="},   {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors) {
        const std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
        EXPECT_EQ(base64Encode(bytes), encoded);
        EXPECT_EQ(base64Decode(encoded), bytes) << encoded;
    }
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = std::uint8_t(i);
    const std::string text = base64Encode(all);
    EXPECT_NE(text.find('+'), std::string::npos);
    EXPECT_NE(text.find('/'), std::string::npos);
    EXPECT_EQ(base64Decode(text), all);
}

TEST(Base64, RefusesAnythingButPaddedStandardText) {
    for (const char* bad : {"Zg", "Zg=", "Zm9vY", "Zm9v\nYmFy", "Zm9v YmFy", "Zm-v", "Zm_v", "Z===", "====",
                            "Zg==Zm9v", "Z=9v", "Zm9vYmFy=", "Zm9*"})
        EXPECT_FALSE(base64Decode(bad)) << bad;
}

TEST(Utf8, ValidationAndReplacement) {
    EXPECT_TRUE(isValidUtf8("plain ü € 😀"));
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\xE2\x82",
                            "\x80"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    EXPECT_EQ(replacingInvalidUtf8("a\xFF" "b\xE2\x82"), "a\uFFFDb\uFFFD\uFFFD");
    EXPECT_EQ(replacingInvalidUtf8("Ünïcode"), "Ünïcode");
}

TEST(Utf8, CodePointsAtEveryLengthBoundaryRoundTrip) {
    const std::string euro = "\xE2\x82\xAC";
    EXPECT_EQ(utf8CodePoint(euro, 0, 3), U'\u20AC');
    const std::pair<char32_t, std::size_t> cases[] = {
        {0x00, 1},  {0x41, 1},  {0x7F, 1},    {0x80, 2},    {0xE9, 2},     {0x7FF, 2},     {0x800, 3},
        {0xD7FF, 3}, {0xE000, 3}, {0xFFFD, 3}, {0xFFFF, 3}, {0x10000, 4}, {0x1F600, 4}, {0x10FFFF, 4}};
    for (const auto& [c, length] : cases) {
        std::string text = "a";
        appendUtf8(text, c);
        ASSERT_EQ(text.size(), 1 + length) << std::hex << std::uint32_t(c);
        EXPECT_EQ(utf8SequenceLength(text, 1), length) << std::hex << std::uint32_t(c);
        EXPECT_EQ(utf8CodePoint(text, 1, length), c) << std::hex << std::uint32_t(c);
    }
}

TEST(IsoDate, WholeSecondsInUtc) {
    EXPECT_EQ(isoDateText(0), "2001-01-01T00:00:00Z");
    EXPECT_EQ(isoDateText(762514200), "2025-03-01T09:30:00Z");
    EXPECT_EQ(isoDateText(762514200.999), "2025-03-01T09:30:00Z");
    EXPECT_EQ(isoDateText(-0.5), "2000-12-31T23:59:59Z");
    EXPECT_EQ(isoDateText(730943999), "2024-02-29T23:59:59Z");
    EXPECT_EQ(isoDateText(-63113904000), "0001-01-01T00:00:00Z");
    EXPECT_EQ(isoDateText(252423993599), "9999-12-31T23:59:59Z");
    EXPECT_FALSE(isoDateText(252423993600));
    EXPECT_FALSE(isoDateText(-63113904001));
    EXPECT_FALSE(isoDateText(std::nan("")));
    EXPECT_FALSE(isoDateText(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(compactIsoDateText(762514200), "20250301T093000Z");
}

TEST(IsoDate, ParsesOnlyTheWrittenForm) {
    EXPECT_EQ(parseIsoDate("2025-03-01T09:30:00Z"), 762514200);
    EXPECT_EQ(parseIsoDate("2001-01-01T00:00:00Z"), 0);
    EXPECT_EQ(parseIsoDate("2024-02-29T23:59:59Z"), 730943999);
    EXPECT_EQ(parseIsoDate("2000-02-29T00:00:00Z"), parseIsoDate("2000-03-01T00:00:00Z").value() - 86400);
    EXPECT_EQ(parseIsoDate("0001-01-01T00:00:00Z"), -63113904000);
    for (const char* bad : {"2025-03-01T09:30:00.5Z", "2025-03-01T09:30:00", "2025-03-01 09:30:00Z",
                            "2025-03-01T09:30:00+00:00", "2025-03-01t09:30:00z", "2023-02-29T00:00:00Z",
                            "1900-02-29T00:00:00Z", "2025-13-01T00:00:00Z", "2025-00-01T00:00:00Z",
                            "2025-04-31T00:00:00Z", "2025-03-01T24:00:00Z", "2025-03-01T09:60:00Z",
                            "2025-03-01T09:30:60Z", "0000-01-01T00:00:00Z", "+025-03-01T09:30:00Z", ""})
        EXPECT_FALSE(parseIsoDate(bad)) << bad;
}

TEST(JsonTextParse, NumbersKeepTheirKind) {
    const json v = JsonText::parse(R"([5, -5, 5.0, 18446744073709551615, 18446744073709551616, -0, 1e2, 1e-400,
                                       -9223372036854775809, 0.1])");
    EXPECT_TRUE(v[0].is_number_unsigned());
    EXPECT_TRUE(v[1].is_number_integer() && !v[1].is_number_unsigned());
    EXPECT_EQ(v[1].get<std::int64_t>(), -5);
    EXPECT_TRUE(v[2].is_number_float());
    EXPECT_EQ(v[3].get<std::uint64_t>(), 18446744073709551615ull);
    EXPECT_TRUE(v[4].is_number_float());
    EXPECT_EQ(v[4].get<double>(), 18446744073709551616.0);
    EXPECT_EQ(v[5].get<std::int64_t>(), 0);
    EXPECT_TRUE(v[6].is_number_float());
    EXPECT_EQ(v[7].get<double>(), 0.0);
    EXPECT_TRUE(v[8].is_number_float());
    EXPECT_EQ(v[9].get<double>(), 0.1);
}

TEST(JsonTextParse, HugeNumbersCanBeLeftOutInPlace) {
    const auto leaveOut = [](std::string_view text) {
        return JsonText::parse(text, 128, JsonText::HugeNumbers::leaveOut);
    };
    // The member goes, also when it repeats a key; an array keeps the place as null.
    EXPECT_EQ(leaveOut(R"({"a": 1, "b": 1e999, "c": {"d": -1e400, "e": [2, 1e309]}, "a": 1E999})"),
              json::parse(R"({"c": {"e": [2, null]}})"));
    // Each place left out is told, in the order of the text; a key given
    // again with a value in range has lost nothing.
    std::vector<std::string> leftOut;
    JsonText::parse(R"({"a": 1, "b": 1e999, "c": {"d": -1e400, "e": [2, 1e309]}, "a": 1E999, "f": 1e999, )"
                    R"("g": {"h": 1e999}, "f": 3, "g": [1e999]})",
                    128, JsonText::HugeNumbers::leaveOut, &leftOut);
    EXPECT_EQ(leftOut, (std::vector<std::string>{"b", "c/d", "c/e/1", "a", "g/0"}));
    EXPECT_EQ(leaveOut("1e999"), json());
    // Still the strict reader otherwise, and numbers in range unchanged.
    EXPECT_EQ(leaveOut("[1e-400, 1.7976931348623157e308]"), json::array({0.0, 1.7976931348623157e308}));
    EXPECT_THROW(leaveOut("[1e999,]"), JsonText::Error);
}

TEST(JsonTextParse, StringsAndStructure) {
    const json v = JsonText::parse("\xEF\xBB\xBF {\"a\": \"x\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\", "
                                   "\"b\": [true, false, null, {}], \"a2\": \"\xC3\xBC\", \"a\": \"last\"}");
    EXPECT_EQ(v["a"], "last");
    EXPECT_EQ(v["a2"], "\u00FC");
    EXPECT_EQ(v["b"], json::parse("[true, false, null, {}]"));
    EXPECT_EQ(JsonText::parse(R"("x\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00")"), "x\"\\/\b\f\n\r\t\u00E9\U0001F600");
    EXPECT_EQ(JsonText::parse(R"("\u0000")").get<std::string>(), std::string(1, '\0'));
}

TEST(JsonTextParse, RefusesWhatJsonDoesNotAllow) {
    const std::string deep = std::string(200, '[') + std::string(200, ']');
    const std::vector<std::string> refused{
        "", " ", "[1,]", "{\"a\":1,}", "[01]", "[1.]", "[.5]", "[+1]", "[1e]", "[NaN]", "[Infinity]", "[-]",
        "[1e400]", "[-1e400]", "{a:1}", "{'a':1}", "[1] x", "[1] [2]", "// c\n[1]", "[\"a\nb\"]",
        "[\"\\x\"]", "[\"\\u12\"]", "[\"\\ud83d\"]", "[\"\\ude00\"]", "[\"\\ud83d\\u0041\"]", "[\"\xFF\"]",
        "[\"\xC0\xAF\"]", "[\"\xED\xA0\x80\"]", "[\"abc", "{\"a\"}", "{\"a\" 1}", "[tru]", "[nul]", deep};
    for (const std::string& bad : refused)
        EXPECT_THROW(JsonText::parse(bad), JsonText::Error) << bad;
    EXPECT_NO_THROW(JsonText::parse(std::string(100, '[') + std::string(100, ']')));
}

TEST(JsonTextWrite, PrettySortedAndExact) {
    json value = json::object();
    value["zeta"] = 54.0;
    value["alpha"] = json::array({1, -2, 0.25, -0.0, 1e16, "t\"\n\x01/"});
    value["mid"] = json::object({{"b", true}, {"a", nullptr}, {"empty", json::array()}, {"none", json::object()}});
    value["big"] = std::uint64_t(18446744073709551615ull);
    EXPECT_EQ(JsonText::write(value),
              "{\n"
              "  \"alpha\": [\n"
              "    1,\n"
              "    -2,\n"
              "    0.25,\n"
              "    -0.0,\n"
              "    1e+16,\n"
              "    \"t\\\"\\n\\u0001/\"\n"
              "  ],\n"
              "  \"big\": 18446744073709551615,\n"
              "  \"mid\": {\n"
              "    \"a\": null,\n"
              "    \"b\": true,\n"
              "    \"empty\": [],\n"
              "    \"none\": {}\n"
              "  },\n"
              "  \"zeta\": 54.0\n"
              "}");
}

TEST(JsonTextWrite, RefusesNonFiniteAndRepairsUtf8) {
    EXPECT_THROW(JsonText::write(json(std::nan(""))), JsonText::Error);
    EXPECT_THROW(JsonText::write(json::array({1, std::numeric_limits<double>::infinity()})), JsonText::Error);
    EXPECT_EQ(JsonText::write(json("a\xFF\xC3\xBC")), "\"a\uFFFD\u00FC\"");
}

TEST(JsonText, SpecialCharactersAtEveryPositionOfLongStringsSurvive) {
    // Long runs are scanned a word at a time; put each kind of byte that needs
    // care at every offset within and across words.
    const std::vector<std::string> specials{"\"", "\\", "\n", std::string(1, '\0'), "\x1F", "\xC3\xBC", "\x7F"};
    for (const std::string& special : specials)
        for (std::size_t at = 0; at < 40; ++at) {
            std::string text(40, 'A');
            text.insert(at, special);
            const std::string written = JsonText::write(json(text));
            ASSERT_EQ(JsonText::parse(written).get<std::string>(), text) << at;
            ASSERT_EQ(json::parse(written).get<std::string>(), text) << at;
        }
    std::string broken(40, 'A');
    broken[21] = '\xFF';
    EXPECT_EQ(JsonText::parse(JsonText::write(json(broken))).get<std::string>(),
              broken.substr(0, 21) + "\uFFFD" + broken.substr(22));
    EXPECT_THROW(JsonText::parse("\"" + broken + "\""), JsonText::Error);
}

TEST(JsonTextWrite, EveryFiniteDoubleReadsBackBitForBit) {
    std::mt19937_64 random(7);
    json values = json::array();
    std::vector<double> expected;
    for (int i = 0; i < 20000; ++i) {
        double d = std::bit_cast<double>(random());
        if (!std::isfinite(d)) continue;
        expected.push_back(d);
        values.push_back(d);
    }
    for (double d : {5e-324, -5e-324, std::numeric_limits<double>::max(), 2.2250738585072014e-308, 0.1, 1e21}) {
        expected.push_back(d);
        values.push_back(d);
    }
    const json back = JsonText::parse(JsonText::write(values));
    ASSERT_EQ(back.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(back[i].get<double>()), std::bit_cast<std::uint64_t>(expected[i]))
            << expected[i];
}

}  // namespace
}  // namespace glimora
