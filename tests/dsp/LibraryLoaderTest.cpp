#include "dsp/LPIPPILoader.h"
#include "dsp/LPIPPSLoader.h"
#include "dsp/SLBasicDispatcher.h"
#include "dsp/SLScopeDispatcher.h"
#include "dsp/SharedLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Which libraries stand present, by shared object; empty means absent.
struct Libraries {
    std::string signal;
    std::string image;
    std::string colourConversion;
};

const std::string kImage = ZQ_FAKE_IPPI_LIBRARY;
const std::string kColour = ZQ_FAKE_IPPCC_LIBRARY;

class LibraryLoader : public ::testing::Test {
protected:
    void load(const Libraries& libraries)
    {
        ::setenv("ZQ_IPPS_LIBRARY", libraries.signal.c_str(), 1);
        ::setenv("ZQ_IPPCORE_LIBRARY", "", 1);
        ::setenv("ZQ_IPPI_LIBRARY", libraries.image.c_str(), 1);
        ::setenv("ZQ_IPPCC_LIBRARY", libraries.colourConversion.c_str(), 1);
        dsp::LoadIppiLibraries();
        dsp::LoadIppsLibraries();
        dsp::FillBasicTable(basic);
        dsp::FillScopeTable(scope);
    }

    void TearDown() override
    {
        dsp::FreeIppsLibraries();
        dsp::FreeIppiLibraries();
        for (const char* name : {"ZQ_IPPS_LIBRARY", "ZQ_IPPCORE_LIBRARY", "ZQ_IPPI_LIBRARY", "ZQ_IPPCC_LIBRARY"})
            ::unsetenv(name);
    }

    // The status an entry answers with, for entries called without arguments that
    // matter: the fakes answer with their marker, the natives refuse null pointers.
    static int answerOfCopy(const dsp::BasicRoutineTable& t) { return t.ippiCopy_8u_C4R(nullptr, 4, nullptr, 4, {1, 1}); }
    static int answerOfSet(const dsp::BasicRoutineTable& t) { return t.ippiSet_8u_C4R(nullptr, nullptr, 4, {1, 1}); }
    static int answerOfMirror(const dsp::BasicRoutineTable& t)
    {
        return t.ippiMirror_8u_C3IR(nullptr, 3, {1, 1}, ippAxsBoth);
    }
    static int answerOfAdd(const dsp::BasicRoutineTable& t) { return t.ippsAdd_64f(nullptr, nullptr, nullptr, 1); }
    static int answerOfMul(const dsp::BasicRoutineTable& t) { return t.ippsMul_64f(nullptr, nullptr, nullptr, 1); }

    dsp::BasicRoutineTable basic{};
    dsp::ScopeRoutineTable scope{};
};

struct Expectation {
    const char* what;
    Libraries libraries;
    int copy, set, mirror, add, scopeSet;
};

constexpr int kNative = ippStsNullPtrErr;

TEST_F(LibraryLoader, EachEntryComesFromTheFirstLibraryThatHasItsName)
{
    const Expectation cases[] = {
        {"none present", {"", "", ""}, kNative, kNative, kNative, kNative, kNative},
        {"missing files", {"/nonexistent/a.so", "/nonexistent/b.so", "/nonexistent/c.so"}, kNative, kNative, kNative,
         kNative, kNative},
        {"only colour conversion", {"", "", kColour}, kNative, 2002, 2003, kNative, 2002},
        {"image wins over colour conversion", {"", kImage, kColour}, 1001, 1002, 2003, kNative, 1002},
        {"only image", {"", kImage, ""}, 1001, 1002, kNative, kNative, 1002},
        // The signal library answers the signal names only, never an image name.
        {"signal library", {kColour, "", ""}, kNative, kNative, kNative, 2004, kNative},
    };
    for (const Expectation& c : cases) {
        load(c.libraries);
        EXPECT_EQ(answerOfCopy(basic), c.copy) << c.what;
        EXPECT_EQ(answerOfSet(basic), c.set) << c.what;
        EXPECT_EQ(answerOfMirror(basic), c.mirror) << c.what;
        EXPECT_EQ(answerOfAdd(basic), c.add) << c.what;
        EXPECT_EQ(answerOfMul(basic), kNative) << c.what; // the library's name differs in case
        EXPECT_EQ(scope.ippiSet_8u_C4R(nullptr, nullptr, 4, {1, 1}), c.scopeSet) << c.what;
        EXPECT_EQ(dsp::IppsLibraryLoaded(), c.add != kNative) << c.what;
    }
}

TEST_F(LibraryLoader, WithoutLibrariesEveryEntryIsNative)
{
    load({"", "", ""});
    EXPECT_FALSE(dsp::IppsLibraryLoaded());
    EXPECT_EQ(dsp::GetIppsProc("ippsAdd_64f"), nullptr);
    EXPECT_EQ(dsp::GetIppiProc("ippiSet_8u_C4R"), nullptr);
#define ZQ_SAME_AS_NATIVE(slot, signature) EXPECT_EQ(basic.slot, dsp::NativeBasicTable().slot) << #slot;
    ZQ_BASIC_ROUTINES(ZQ_SAME_AS_NATIVE)
#undef ZQ_SAME_AS_NATIVE
}

TEST_F(LibraryLoader, LogicalNamesMapToTheConfiguredSharedObjects)
{
    ::setenv("ZQ_IPPCC_LIBRARY", "/opt/x/libcc.so", 1);
    EXPECT_EQ(dsp::SharedObjectFor("ippcc-5.1.dll"), "/opt/x/libcc.so");
    ::unsetenv("ZQ_IPPCC_LIBRARY");
    EXPECT_FALSE(dsp::SharedObjectFor("ippcc-5.1.dll").empty());
    EXPECT_TRUE(dsp::SharedObjectFor("unknown.dll").empty());
}

} // namespace
