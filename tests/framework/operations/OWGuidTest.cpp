#include "framework/operations/OWGuid.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <unordered_set>

#include "framework/buffers/SLDataInterfaces.h"

namespace {

constexpr TGUID clockType = ParseGuid("{48CDAF9F-00C7-4B45-999D-4EE25353A952}");

// Parsed while compiling: the fields land where the standard layout has them,
// the first two bytes of the last group in D4[0..1].
static_assert(clockType.D1 == 0x48CDAF9F && clockType.D2 == 0x00C7 && clockType.D3 == 0x4B45);
static_assert(clockType.D4[0] == 0x99 && clockType.D4[1] == 0x9D && clockType.D4[2] == 0x4E
              && clockType.D4[7] == 0x52);
static_assert(OWGuidOf<ISLDataBuffer>().D1 == 0xCA519E69);
static_assert(GUID_NULL.IsNull() && !clockType.IsNull());

TEST(Guid, BracedTextRoundTripsInUpperCase)
{
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"{48CDAF9F-00C7-4B45-999D-4EE25353A952}", "{48CDAF9F-00C7-4B45-999D-4EE25353A952}"},
        {"{ac2714e1-1e70-4c60-abbb-ea27737cee74}", "{AC2714E1-1E70-4C60-ABBB-EA27737CEE74}"},
        {"{00000000-0000-0000-0000-000000000000}", "{00000000-0000-0000-0000-000000000000}"},
        {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
        {"{0000000A-000B-000C-0D0E-0F1011121314}", "{0000000A-000B-000C-0D0E-0F1011121314}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto guid = TryParseGuid(c.text);
        ASSERT_TRUE(guid);
        EXPECT_EQ(GuidToString(*guid), c.printed);
        EXPECT_EQ(TryParseGuid(GuidToString(*guid)), guid);
    }
    EXPECT_EQ(GuidToString(OWGuidOf<ISLData>()), ISLData::Guid);
}

TEST(Guid, IllFormedTextIsRefused)
{
    const char* const cases[] = {
        "",
        "{}",
        "48CDAF9F-00C7-4B45-999D-4EE25353A952",     // no braces
        "(48CDAF9F-00C7-4B45-999D-4EE25353A952)",   // other brackets
        "{48CDAF9F-00C7-4B45-999D-4EE25353A95}",    // one digit short
        "{48CDAF9F-00C7-4B45-999D-4EE25353A9521}",  // one digit long
        "{48CDAF9F-00C7-4B45-999D4-EE25353A952}",   // last dash moved
        "{48CDAF9F000C7-4B45-999D-4EE25353A952}",   // a dash replaced by a digit
        "{48CDAF9G-00C7-4B45-999D-4EE25353A952}",   // not a hex digit in D1
        "{48CDAF9F-00C7-4B45-99 D-4EE25353A952}",   // space in D4's first bytes
        "{48CDAF9F-00C7-4B45-999D-4EE25353A9+2}",   // sign in the last byte
        "{48CDAF9F-+0C7-4B45-999D-4EE25353A952}",   // sign in D2
        " {48CDAF9F-00C7-4B45-999D-4EE25353A952}",  // leading blank
        "{48CDAF9F-00C7-4B45-999D-4EE25353A952} ",  // trailing blank
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(TryParseGuid(text));
        EXPECT_THROW(ParseGuid(text), std::invalid_argument);
    }
    // A NUL inside is a bad character, not the end of the text.
    EXPECT_FALSE(TryParseGuid(std::string_view("{48CDAF9F-00C7-4B45-999D-4EE25353A9\0" "2}", 38)));
}

TEST(Guid, EveryByteTakesPartInEqualityAndHash)
{
    std::unordered_set<TGUID> seen{clockType};
    for (int byte = 0; byte < 16; ++byte) {
        SCOPED_TRACE(byte);
        std::string text = GuidToString(clockType);
        // Positions of the 32 digits in the braced text, two per byte.
        static constexpr int digitAt[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};
        text[digitAt[byte]] = text[digitAt[byte]] == '0' ? '1' : '0';
        const TGUID changed = ParseGuid(text);
        EXPECT_FALSE(changed == clockType);
        EXPECT_TRUE(seen.insert(changed).second);
    }
    EXPECT_FALSE(ParseGuid("{00000000-0000-0000-0000-000000000001}").IsNull());
}

} // namespace
