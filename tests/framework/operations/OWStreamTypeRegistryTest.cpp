#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/operations/OWStreamTypeRegistry.h"
#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWUnloadedPin.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr TGUID clockType = ParseGuid("{48CDAF9F-00C7-4B45-999D-4EE25353A952}");
constexpr TGUID captionFirst = ParseGuid("{10000000-0000-0000-0000-000000000001}");
constexpr TGUID handlerFirst = ParseGuid("{10000000-0000-0000-0000-000000000002}");
constexpr TGUID handlerOnly = ParseGuid("{10000000-0000-0000-0000-0000000000AB}");
constexpr TGUID fromType = ParseGuid("{10000000-0000-0000-0000-000000000010}");
constexpr TGUID toType = ParseGuid("{10000000-0000-0000-0000-000000000011}");
constexpr TGUID otherTo = ParseGuid("{10000000-0000-0000-0000-000000000012}");

bool handlerOne(TOWPin*, TOWBasicPin*, const TGUID&, TOWHandlerFlags, const TOWNotifyOperationRef&) { return true; }
bool handlerTwo(TOWPin*, TOWBasicPin*, const TGUID&, TOWHandlerFlags, const TOWNotifyOperationRef&) { return false; }

class TConverterOne : public TOWFormatConverter {
public:
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TConverterOne", &TOWFormatConverter::StaticClassInfo(), {});
        return info;
    }
};
class TConverterTwo : public TConverterOne {
public:
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TConverterTwo", &TConverterOne::StaticClassInfo(), {});
        return info;
    }
};

void registerTypes()
{
    RegisterStreamTypeCaption(clockType, "Clock");
    RegisterStreamTypeCaption(captionFirst, "Caption first");
    RegisterStreamTypeHandler(captionFirst, handlerOne);
    RegisterStreamTypeHandler(handlerFirst, handlerTwo);
    RegisterStreamTypeCaption(handlerFirst, "Handler first");
    RegisterStreamTypeHandler(handlerOnly, handlerOne);
    RegisterStreamTypeCaption(GUID_NULL, "registered null");
    RegisterFormatConverter(fromType, toType, OWConverterClassOf<TConverterOne>());
    RegisterFormatConverter(fromType, otherTo, OWConverterClassOf<TConverterOne>());
    RegisterFormatConverter(fromType, toType, OWConverterClassOf<TConverterTwo>());
}

class StreamTypeRegistry : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const TOWTypeUnitStartUp units[] = {registerTypes};
        OWPinsStartUp(units);
    }
};

TEST_F(StreamTypeRegistry, CaptionsAndHandlersOfOneTypeLeaveEachOtherAlone)
{
    struct Case {
        TGUID type;
        const char* caption;
        TOWStreamHandlerProc handler;
    };
    const Case cases[] = {
        {clockType, "Clock", nullptr},
        {captionFirst, "Caption first", handlerOne},
        {handlerFirst, "Handler first", handlerTwo},
        {handlerOnly, "{10000000-0000-0000-0000-0000000000AB}", handlerOne},
        {ParseGuid("{0000ABCD-0000-0000-0000-000000000000}"), "{0000ABCD-0000-0000-0000-000000000000}", nullptr},
        {GUID_NULL, "NIL ID", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(StreamTypeCaption(c.type), c.caption);
        if (!c.type.IsNull()) {
            EXPECT_EQ(StreamTypeHandler(c.type), c.handler);
        }
    }
    // Each registered type has exactly one entry.
    int clocks = 0;
    for (const TOWStreamTypeEntry& entry : StreamTypeEntries())
        clocks += entry.StreamType == clockType;
    EXPECT_EQ(clocks, 1);
}

TEST_F(StreamTypeRegistry, ARegisteredPairIsOverwrittenInPlace)
{
    const int index = IndexOfFormatConverter(fromType, toType);
    ASSERT_GE(index, 0);
    EXPECT_LT(index, IndexOfFormatConverter(fromType, otherTo));
    EXPECT_EQ(FindFormatConverterClass(fromType, toType), OWConverterClassOf<TConverterTwo>());
    EXPECT_EQ(FindFormatConverterClass(fromType, otherTo), OWConverterClassOf<TConverterOne>());
    int pairs = 0;
    for (const TOWFormatConverterEntry& entry : FormatConverterEntries())
        pairs += entry.FromType == fromType && entry.ToType == toType;
    EXPECT_EQ(pairs, 1);
    EXPECT_EQ(IndexOfFormatConverter(toType, fromType), -1);
    EXPECT_EQ(FindFormatConverterClass(toType, fromType), nullptr);
}

TEST_F(StreamTypeRegistry, RegistrationOutsideStartUpIsRefusedAndChangesNothing)
{
    const auto types = StreamTypeEntries().size();
    EXPECT_THROW(RegisterStreamTypeCaption(clockType, "Tick"), EOWException);
    EXPECT_THROW(RegisterStreamTypeHandler(ParseGuid("{20000000-0000-0000-0000-000000000000}"), handlerOne), EOWException);
    EXPECT_THROW(RegisterFormatConverter(toType, fromType, OWConverterClassOf<TConverterOne>()), EOWException);
    EXPECT_EQ(StreamTypeEntries().size(), types);
    EXPECT_EQ(StreamTypeCaption(clockType), "Clock");
    EXPECT_EQ(IndexOfFormatConverter(toType, fromType), -1);
}

TEST_F(StreamTypeRegistry, ConverterClassesMakeTheirOwnKind)
{
    TOwned<TOWFormatConverter> made = OWConverterClassOf<TConverterTwo>()->create();
    EXPECT_NE(dynamic_cast<TConverterTwo*>(made.get()), nullptr);
    EXPECT_EQ(OWConverterClassOf<TConverterOne>()->name, "TConverterOne");
}

// In a child process (started afresh: this one has threads): the registries
// and lists belong to the whole process, which the other suites share.
TEST_F(StreamTypeRegistry, FinalisationEmptiesTheUnitAndStartUpFillsItAgain)
{
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TOWUnloadedPin::Create("F.X._Pin0", "F.X.Pin [0]", "F.Y.Pin", "F", TOWPinKind::Sink, false);
            class TListener final : public TOWInterfacedObject<IOWPinEvents> {};
            TOWIntf<TListener> listener = OWMake<TListener>();
            OWAddPinEventListener(TOWIntf<IOWPinEvents>(listener));
            bool ok = listener->RefCount() == 2 && OWPlaceholderCount() > 0;
            OWPinsFinalize();
            ok = ok && OWPlaceholderCount() == 0 && listener->RefCount() == 1 && StreamTypeEntries().empty()
                 && FormatConverterEntries().empty()
                 && StreamTypeCaption(clockType) == "{48CDAF9F-00C7-4B45-999D-4EE25353A952}";
            SetUpTestSuite();
            ok = ok && StreamTypeCaption(clockType) == "Clock"
                 && FindFormatConverterClass(fromType, toType) == OWConverterClassOf<TConverterTwo>();
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}

} // namespace
