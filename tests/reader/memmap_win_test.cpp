#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "reader/memmap_win.h"

namespace {

std::vector<std::string> g_lines;
void record(const char* line) { g_lines.push_back(line); }

class MemmapTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_lines.clear();
        set_memmap_debug_hook(record);
    }
    void TearDown() override { set_memmap_debug_hook(nullptr); }
};

}  // namespace

TEST_F(MemmapTest, BlockIsZeroFilledAndWritable)
{
    Memmap m;
    auto* block = static_cast<unsigned char*>(m.allocate(0x80000));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < 0x80000; i += 4096) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(block[0x7FFFF], 0);
    block[0] = 1;
    block[0x7FFFF] = 2;
    EXPECT_EQ(m.held(), 1);
    void* second = m.allocate(100);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, block);
    m.release(block);
    m.release(second);
    EXPECT_EQ(m.held(), 0);
    EXPECT_TRUE(g_lines.empty());
}

TEST_F(MemmapTest, SecondReleaseIsReported)
{
    Memmap m;
    void* block = m.allocate(4096);
    ASSERT_NE(block, nullptr);
    m.release(block);
    EXPECT_TRUE(g_lines.empty());
    m.release(block);
    EXPECT_EQ(g_lines, std::vector<std::string>{"Memmap double release!\n"});
    g_lines.clear();
    int onStack = 0;
    m.release(&onStack);
    m.release(nullptr);
    EXPECT_EQ(g_lines, (std::vector<std::string>{"Memmap double release!\n", "Memmap double release!\n"}));
}

TEST_F(MemmapTest, TwoHundredFiftySixBlocksAtMost)
{
    Memmap m;
    std::vector<void*> blocks;
    for (int i = 0; i < kMemmapSlots; ++i) {
        void* b = m.allocate(4096);
        ASSERT_NE(b, nullptr) << i;
        blocks.push_back(b);
    }
    EXPECT_TRUE(g_lines.empty());
    EXPECT_EQ(m.allocate(4096), nullptr);
    EXPECT_EQ(g_lines, std::vector<std::string>{"Memmap can't allocate!\n"});
    // A freed slot is taken again.
    m.release(blocks[100]);
    void* again = m.allocate(4096);
    EXPECT_NE(again, nullptr);
    blocks[100] = again;
    for (void* b : blocks) m.release(b);
    EXPECT_EQ(m.held(), 0);
    EXPECT_EQ(g_lines.size(), 1u);
}

TEST_F(MemmapTest, RefusedMappingIsReported)
{
    Memmap m;
    EXPECT_EQ(m.allocate(0), nullptr);
    EXPECT_EQ(g_lines, std::vector<std::string>{"Memmap can't allocate!\n"});
}

TEST_F(MemmapTest, DestructionReportsEachBlockStillHeld)
{
    {
        Memmap m;
        void* a = m.allocate(4096);
        void* b = m.allocate(4096);
        void* c = m.allocate(4096);
        ASSERT_TRUE(a && b && c);
        m.release(b);
    }
    EXPECT_EQ(g_lines, (std::vector<std::string>{"Memmap not released!\n", "Memmap not released!\n"}));
    g_lines.clear();
    {
        Memmap m;
        m.release(m.allocate(4096));
    }
    EXPECT_TRUE(g_lines.empty());
}

TEST_F(MemmapTest, KeptBlockComesBackClearedForItsSizeOnly)
{
    Memmap m;
    auto* a = static_cast<char*>(m.allocate(0x80000));
    ASSERT_NE(a, nullptr);
    std::memset(a, 'x', 10);
    m.release_for_reuse(a, 10);
    EXPECT_EQ(m.held(), 0);
    void* small = m.allocate(4096);
    EXPECT_NE(small, a);
    auto* again = static_cast<char*>(m.allocate(0x80000));
    ASSERT_EQ(again, a);
    EXPECT_EQ(std::string(again, 10), std::string(10, '\0'));
    EXPECT_EQ(m.held(), 2);
    // One block is kept; the next goes back to the system at once.
    void* b = m.allocate(0x80000);
    ASSERT_NE(b, nullptr);
    m.release_for_reuse(a, 0);
    m.release_for_reuse(b, 0);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(b, &info, sizeof info), 0u);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
    m.release_for_reuse(b, 0);
    EXPECT_EQ(g_lines, std::vector<std::string>{"Memmap double release!\n"});
    m.release(small);
    EXPECT_EQ(m.held(), 0);
}

TEST_F(MemmapTest, KeptBlockTakesNoSlotAndNeedsOne)
{
    Memmap m;
    m.release_for_reuse(m.allocate(0x80000), 0);
    std::vector<void*> blocks;
    for (int i = 0; i < kMemmapSlots; ++i) {
        void* b = m.allocate(4096);
        ASSERT_NE(b, nullptr) << i;
        blocks.push_back(b);
    }
    EXPECT_EQ(m.allocate(0x80000), nullptr);
    EXPECT_EQ(g_lines, std::vector<std::string>{"Memmap can't allocate!\n"});
    for (void* b : blocks) m.release(b);
    void* last = m.allocate(0x80000);
    EXPECT_NE(last, nullptr);
    EXPECT_EQ(m.held(), 1);
    m.release(last);
}
