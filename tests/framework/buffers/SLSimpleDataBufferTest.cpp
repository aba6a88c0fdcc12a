#include "framework/buffers/SLSimpleDataBuffer.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <numeric>
#include <thread>
#include <type_traits>
#include <vector>

#include "framework/buffers/SLBufferErrors.h"

#include "framework/TypedBufferTestHelpers.h"

namespace {

// A linear buffer of 32-bit words: the core must serve any element size.
class WordBuffer : public TSLLinearMemoryBuffer {
public:
    static SLRef<WordBuffer> CreateSized(std::uint32_t count)
    {
        return new WordBuffer(std::uint64_t{count} * 4);
    }
    static SLRef<WordBuffer> CreateCounting(std::uint32_t count)
    {
        SLRef<WordBuffer> buffer = CreateSized(count);
        std::iota(buffer->words(), buffer->words() + count, 1u);
        return buffer;
    }
    SLRef<ISLData> Clone() override { return SLRef<ISLData>(new WordBuffer(&memoryBlock(), ByteSize)); }
    std::uint32_t GetElementSize() override { return 4; }
    std::uint32_t GetCount() override { return ByteSize / 4; }

    const std::uint32_t* read() { return static_cast<const std::uint32_t*>(GetRawReadPointer()); }
    std::uint32_t* words() { return static_cast<std::uint32_t*>(GetRawModifyPointer()); }
    std::vector<std::uint32_t> values() { return {read(), read() + GetCount()}; }

private:
    using TSLLinearMemoryBuffer::TSLLinearMemoryBuffer;
};

std::vector<std::uint32_t> counting(std::uint32_t count)
{
    std::vector<std::uint32_t> values(count);
    std::iota(values.begin(), values.end(), 1u);
    return values;
}

// Something that is a buffer interface but not one of the generic buffers.
class ForeignData : public TSLBasicBuffer {
public:
    static SLRef<ForeignData> Create() { return new ForeignData; }
    SLRef<ISLData> Clone() override { return Create(); }
};

} // namespace

// ---------------------------------------------------------------------------
// Copy-on-write

struct WriteCase {
    const char* name;
    bool writeOnClone;
    bool keepData;
};

class CopyOnWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(CopyOnWrite, AWriteOnEitherSideLeavesTheOtherIntact)
{
    const WriteCase c = GetParam();
    SLRef<WordBuffer> original = WordBuffer::CreateCounting(6);
    SLRef<WordBuffer> clone = cloneOf(*original);
    ASSERT_EQ(clone->read(), original->read());
    EXPECT_EQ(original->GetSmartBuffer()->GetWriterCount(), 2);

    WordBuffer& writer = c.writeOnClone ? *clone : *original;
    WordBuffer& other = c.writeOnClone ? *original : *clone;
    const std::uint32_t* before = other.read();
    auto* target = static_cast<std::uint32_t*>(c.keepData ? writer.GetRawModifyPointer()
                                                          : writer.GetRawWritePointer());
    EXPECT_NE(target, before);
    if (c.keepData) {
        EXPECT_EQ(writer.values(), counting(6));
    }
    target[0] = 99;

    EXPECT_EQ(other.read(), before);
    EXPECT_EQ(other.values(), counting(6));
    EXPECT_EQ(writer.GetCount(), 6u);
    EXPECT_EQ(writer.GetSmartBuffer()->GetWriterCount(), 1);
    EXPECT_EQ(other.GetSmartBuffer()->GetWriterCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Sides, CopyOnWrite,
                         ::testing::Values(WriteCase{"ModifyOriginal", false, true},
                                           WriteCase{"WriteOriginal", false, false},
                                           WriteCase{"ModifyClone", true, true},
                                           WriteCase{"WriteClone", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CopyOnWriteRules, AUniqueBufferIsNeverCopied)
{
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(4);
    const void* block = buffer->GetRawReadPointer();
    EXPECT_FALSE(buffer->MakeUnique(true));
    EXPECT_EQ(buffer->GetRawWritePointer(), block);

    cloneOf(*buffer).reset();   // a clone that has come and gone
    EXPECT_EQ(buffer->GetRawModifyPointer(), block);
    EXPECT_EQ(buffer->values(), counting(4));
}

TEST(CopyOnWriteRules, ANonWriterDoesNotCountSoWritesReachEveryHolder)
{
    SLRef<WordBuffer> writer = WordBuffer::CreateCounting(4);
    SLRef<WordBuffer> reader = cloneOf(*writer);
    reader->DropWriter();
    reader->DropWriter();   // a second drop changes nothing
    EXPECT_EQ(writer->GetSmartBuffer()->GetWriterCount(), 1);

    const void* block = writer->GetRawReadPointer();
    writer->words()[2] = 42;
    EXPECT_EQ(writer->GetRawReadPointer(), block);
    EXPECT_EQ(reader->read()[2], 42u);

    // Releasing the non-writer must not take the writer's count with it.
    reader.reset();
    EXPECT_EQ(writer->GetSmartBuffer()->GetWriterCount(), 1);
    EXPECT_EQ(writer->GetSmartBuffer()->GetRefCount(), 1);
}

TEST(CopyOnWriteRules, SharersWritingFromManyThreadsEachGetTheirOwnCopy)
{
    SLRef<WordBuffer> source = WordBuffer::CreateCounting(256);
    std::vector<SLRef<WordBuffer>> clones;
    for (int i = 0; i < 8; ++i)
        clones.push_back(cloneOf(*source));
    {
        std::vector<std::jthread> threads;
        for (std::uint32_t t = 0; t < clones.size(); ++t)
            threads.emplace_back([&clone = clones[t], t] {
                std::fill_n(clone->words(), 256, t);
                clone.reset();
            });
    }
    EXPECT_EQ(source->values(), counting(256));
    EXPECT_EQ(source->GetSmartBuffer()->GetRefCount(), 1);
}

// ---------------------------------------------------------------------------
// SetCount

struct SetCountCase {
    const char* name;
    std::uint32_t from, to;
    bool keepData, shared;
    bool sameBlock;
    std::uint32_t keptPrefix;   // leading values that must survive
};

class SetCount : public ::testing::TestWithParam<SetCountCase> {};

TEST_P(SetCount, FollowsTheBlockRules)
{
    const SetCountCase c = GetParam();
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(c.from);
    SLRef<WordBuffer> partner = c.shared ? cloneOf(*buffer) : nullptr;
    const TSLSmartBuffer* block = buffer->GetSmartBuffer();

    buffer->SetCount(c.to, c.keepData);

    EXPECT_EQ(buffer->GetCount(), c.to);
    EXPECT_EQ(buffer->GetByteSize(), c.to * 4);
    EXPECT_EQ(buffer->GetSmartBuffer() == block, c.sameBlock);
    EXPECT_GE(buffer->GetCapacity(), c.to * 4);
    for (std::uint32_t i = 0; i < c.keptPrefix; ++i)
        ASSERT_EQ(buffer->read()[i], i + 1) << i;
    if (partner) {
        EXPECT_EQ(partner->values(), counting(c.from));
        EXPECT_EQ(partner->GetSmartBuffer()->GetWriterCount(), c.sameBlock ? 2 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetCount,
    ::testing::Values(SetCountCase{"ToZeroKeepsTheBlock", 10, 0, false, false, true, 0},
                      SetCountCase{"ToZeroKeepsASharedBlock", 10, 0, true, true, true, 0},
                      SetCountCase{"SameCountDoesNothing", 10, 10, false, true, true, 10},
                      SetCountCase{"ShrinkKeepingStaysEvenWhenShared", 10, 4, true, true, true, 4},
                      SetCountCase{"GrowKeepingInPlaceWhenUnique", 10, 16, true, false, true, 10},
                      SetCountCase{"GrowKeepingCopiesWhenShared", 10, 16, true, true, false, 10},
                      SetCountCase{"GrowKeepingBeyondCapacityCopies", 10, 100, true, false, false, 10},
                      SetCountCase{"ShrinkWithoutKeepingTakesANewBlock", 10, 4, false, false, false, 0},
                      SetCountCase{"GrowWithoutKeepingTakesANewBlock", 10, 12, false, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetCountRules, BackToTheOldCountFindsTheOldValues)
{
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(10);
    buffer->SetCount(0, false);
    EXPECT_EQ(buffer->GetCount(), 0u);
    buffer->SetCount(10, true);
    EXPECT_EQ(buffer->values(), counting(10));
}

TEST(SetCountRules, ACountBeyondTheLargestBlockIsRefusedAndChangesNothing)
{
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(10);
    for (std::uint32_t count : {(1u << 28) + 1, 0x40000001u, 0xFFFFFFFFu}) {
        for (bool keep : {false, true}) {
            EXPECT_THROW(buffer->SetCount(count, keep), EOutOfMemory) << count;
            EXPECT_EQ(buffer->values(), counting(10));
        }
    }
    EXPECT_THROW(WordBuffer::CreateSized(0x40000000u), EOutOfMemory);
}

// ---------------------------------------------------------------------------
// AssignShared

TEST(AssignShared, OnItselfOrOnTheSameBlockOnlyTakesSizeAndAddress)
{
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(8);
    TSLSmartBuffer* block = buffer->GetSmartBuffer();
    buffer->AssignShared(*buffer);
    EXPECT_EQ(block->GetWriterCount(), 1);
    EXPECT_EQ(block->GetRefCount(), 1);

    SLRef<WordBuffer> clone = cloneOf(*buffer);
    clone->SetCount(3, true);
    buffer->AssignShared(*clone);
    EXPECT_EQ(buffer->GetCount(), 3u);
    EXPECT_EQ(block->GetWriterCount(), 2);
    EXPECT_EQ(block->GetRefCount(), 2);
}

TEST(AssignShared, SharesTheSourceBlockUntilTheNextWrite)
{
    SLRef<WordBuffer> target = WordBuffer::CreateCounting(2);
    SLRef<WordBuffer> source = WordBuffer::CreateCounting(5);
    target->AssignShared(*source);
    EXPECT_EQ(target->GetRawReadPointer(), source->GetRawReadPointer());
    EXPECT_EQ(target->values(), counting(5));
    EXPECT_EQ(source->GetSmartBuffer()->GetWriterCount(), 2);

    target->words()[0] = 7;
    EXPECT_EQ(source->values(), counting(5));
}

TEST(AssignShared, AForeignSourceIsRefusedAndLeavesTheBufferAlone)
{
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(3);
    SLRef<ForeignData> foreign = ForeignData::Create();
    EXPECT_THROW(buffer->AssignShared(*foreign), EIntfCastError);
    EXPECT_EQ(buffer->values(), counting(3));
    EXPECT_THROW(TSLMemoryBuffer::CreateShared(*foreign), EIntfCastError);
}

// ---------------------------------------------------------------------------
// Equals, raw files

class RawFile : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }
    void write(const std::vector<char>& bytes)
    {
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<char> read()
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string path = ::testing::TempDir() + "zq_raw_buffer_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(RawFile, HoldsExactlyTheBytesInUseWithoutHeader)
{
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(3);
    buffer->words()[1] = 0x11223344;
    buffer->SetCount(2, true);   // the block still holds a third word
    buffer->SaveToFile(path);
    EXPECT_EQ(read(), (std::vector<char>{1, 0, 0, 0, 0x44, 0x33, 0x22, 0x11}));

    // A longer file gives only the buffer's size; a shared buffer's partner keeps its values.
    write({5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0});
    SLRef<WordBuffer> partner = cloneOf(*buffer);
    buffer->LoadFromFile(path);
    EXPECT_EQ(buffer->values(), (std::vector<std::uint32_t>{5, 6}));
    EXPECT_EQ(partner->values(), (std::vector<std::uint32_t>{1, 0x11223344}));
}

TEST_F(RawFile, AShortOrMissingFileRaisesAndKeepsSizeAndValues)
{
    write({1, 2, 3, 4, 5});
    SLRef<WordBuffer> buffer = WordBuffer::CreateCounting(2);
    SLRef<WordBuffer> partner = cloneOf(*buffer);
    EXPECT_THROW(buffer->LoadFromFile(path), EReadError);
    EXPECT_EQ(buffer->values(), counting(2));

    EXPECT_THROW(buffer->LoadFromFile(path + "_missing"), EFileStreamError);
    EXPECT_EQ(buffer->GetRawReadPointer(), partner->GetRawReadPointer());
    EXPECT_THROW(buffer->SaveToFile(::testing::TempDir() + "no/such/dir/file"), EFileStreamError);
}

// ---------------------------------------------------------------------------
// CopyTo copies what fits in both buffers

namespace {

// A buffer of count units, unit i holding seed * (7i + 3).
template <typename Buffer>
SLRef<Buffer> patterned(std::int32_t count, int seed)
{
    SLRef<Buffer> buffer = Buffer::CreateSized(count);
    auto* unit = buffer->GetModifyPointer();
    for (std::int32_t i = 0; i < count; ++i)
        unit[i] = static_cast<std::remove_reference_t<decltype(*unit)>>(seed * (i * 7 + 3));
    return buffer;
}

// A 32 KB source into a 10-unit destination: every unit outside what fits
// would land beyond the destination's block.
template <typename Buffer>
void checkCopyCases()
{
    constexpr std::int32_t bigCount = 32768, shortCount = 10, intMax = std::numeric_limits<std::int32_t>::max();
    const struct {
        std::int32_t sourceOffset, destOffset, count;
        std::int32_t copiedFrom; // first source unit expected at destOffset
        std::int32_t copied;
    } cases[] = {
        {0, 0, bigCount, 0, shortCount}, {0, 8, 5, 0, 2}, {bigCount - 2, 0, shortCount, bigCount - 2, 2},
        {5, 3, 4, 5, 4},                 {-1, 0, 5, 0, 0}, {0, -1, 5, 0, 0},
        {0, shortCount, 1, 0, 0},        {bigCount, 0, 1, 0, 0}, {0, 0, 0, 0, 0},
        {0, 0, -5, 0, 0},                {intMax, intMax, intMax, 0, 0},
        // Offsets whose byte form would wrap a 32-bit value back to a small one.
        {0x40000001, 0, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceOffset << ", " << c.destOffset << ", " << c.count);
        auto source = patterned<Buffer>(bigCount, 1);
        auto dest = patterned<Buffer>(shortCount, 0);
        auto partner = cloneOf(*dest);
        source->CopyTo(c.sourceOffset, *dest, c.destOffset, c.count);
        const auto* from = source->GetReadPointer();
        for (std::int32_t i = 0; i < shortCount; ++i) {
            const bool inCopy = i >= c.destOffset && i < c.destOffset + c.copied;
            EXPECT_EQ(+dest->GetReadPointer()[i], inCopy ? +from[c.copiedFrom + (i - c.destOffset)] : 0) << i;
        }
        // Nothing copied: the destination keeps sharing its block.
        EXPECT_EQ(shareABlock(*dest, *partner), c.copied == 0);
    }
}

TEST(CopyTo, CopiesOnlyWhatFitsInBothBuffersOfBytesOrElements)
{
    checkCopyCases<TSLBlockBuffer>();
    checkCopyCases<TSLRealBuffer>();
    checkCopyCases<TSLIntegerBuffer>();
}

} // namespace
