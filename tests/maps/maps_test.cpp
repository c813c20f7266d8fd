// Tile maps: map and level records, slot resolution, re-creation, deletion
// with reference counts, and bank accounting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "kx/kx_vm.h"

namespace {

class Maps : public ::testing::Test {
  protected:
    static constexpr int kTable = 64;
    void SetUp() override { VM_OpenMemoryManager(kTable); }
    void TearDown() override {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
    static int table_of(int map) { return VM_PeekInt(map, 12); }
    static int level_handle(int map, int level) { return VM_PeekInt(table_of(map), 4 * level); }
    static int grid_of(int map, int level) { return VM_PeekInt(level_handle(map, level), 20); }
    using Bank = std::pair<int, int>; // type and size
    static Bank bank(int h) { return {VM_BankType(h), VM_BankSize(h)}; }
};

TEST_F(Maps, CreateMakesRecordsAndZeroedGrids) {
    const int map = KX_MapCreate(12345, 3); // the first argument is ignored
    ASSERT_GT(map, 0);
    EXPECT_EQ(bank(map), Bank(VM_BANK_MAP, 16));
    EXPECT_EQ(KX_MapGetLevels(map), 3);
    EXPECT_EQ(bank(table_of(map)), Bank(VM_BANK_RAW, 16));
    // L = 0 still has one slot; a negative L makes nothing.
    EXPECT_EQ(VM_BankSize(table_of(KX_MapCreate(0, 0))), 4);
    EXPECT_EQ(KX_MapCreate(0, -1), 0);
    EXPECT_EQ(KX_MapCreate(0, INT32_MAX), -1); // a table past any bank size
    EXPECT_EQ(VM_UsedBankQuantity(), 4);

    EXPECT_EQ(KX_MapCreateLevel(map, 3, 10, 5, 0), 0);
    EXPECT_EQ(std::pair(KX_MapGetLevelWidth(map, 3), KX_MapGetLevelHeight(map, 3)),
              std::pair(10, 5));
    const int level = level_handle(map, 3);
    EXPECT_EQ(bank(level), Bank(VM_BANK_MAP_LEVEL, 28));
    const auto* rec = static_cast<const KX_MapLevel*>(KX_MapGetLevelPtr(map, 3));
    ASSERT_EQ(rec, VM_BankPtr(level));
    EXPECT_EQ(rec->InUse, 1);
    EXPECT_EQ(bank(rec->Cells), Bank(VM_BANK_RAW, 264)); // 11 x 6 cells of 4 bytes
    const auto* cells = static_cast<const int32_t*>(VM_BankPtr(rec->Cells));
    EXPECT_EQ(std::count(cells, cells + 66, 0), 66);
    // A 0 x 0 level still has one cell.
    EXPECT_EQ((KX_MapCreateLevel(map, 0, 0, 0, 0), VM_BankSize(grid_of(map, 0))), 4);
    EXPECT_EQ(VM_UsedBankQuantity(), 4 + 2 + 2);
}

TEST_F(Maps, SlotsOutsideTheMapAndBadHandlesAreRefused) {
    const int map = KX_MapCreate(0, 3);
    const int before = VM_UsedBankQuantity();
    for (int level : {-1, 4, INT32_MIN, INT32_MAX}) {
        KX_MapCreateLevel(map, level, 2, 2, 0);
        EXPECT_EQ(KX_MapGetLevelPtr(map, level), nullptr) << level;
        EXPECT_EQ(KX_MapGetLevelWidth(map, level), 0) << level;
    }
    for (int handle : {-1, 0, kTable, table_of(map) + 1}) {
        KX_MapCreateLevel(handle, 0, 2, 2, 0);
        EXPECT_EQ(KX_MapGetLevelPtr(handle, 0), nullptr) << handle;
        EXPECT_EQ(KX_MapGetLevels(handle) | KX_MapGetLevelHeight(handle, 0) |
                      KX_MapDeleteLevel(handle, 0) | KX_MapDelete(handle),
                  0)
            << handle;
    }
    EXPECT_EQ(VM_UsedBankQuantity(), before);

    // Empty slots read 0.
    EXPECT_EQ(KX_MapGetLevelPtr(map, 1), nullptr);
    EXPECT_EQ(KX_MapGetLevelWidth(map, 1) | KX_MapGetLevelHeight(map, 1), 0);

    // A level table that no longer names a bank refuses every slot.
    KX_MapCreateLevel(map, 2, 4, 4, 0);
    const int table = table_of(map);
    EXPECT_EQ((VM_PokeInt(map, 12, 0), KX_MapGetLevelPtr(map, 2)), nullptr);
    EXPECT_EQ((KX_MapCreateLevel(map, 1, 4, 4, 0), VM_UsedBankQuantity()), before + 2);
    EXPECT_EQ((VM_PokeInt(map, 12, table), KX_MapGetLevelWidth(map, 2)), 4);

    // An L raised in place beyond what the table holds does not reach past it.
    VM_PokeInt(map, 8, 100);
    EXPECT_EQ(KX_MapGetLevels(map), 100);
    EXPECT_EQ((KX_MapCreateLevel(map, 50, 1, 1, 0), KX_MapGetLevelPtr(map, 50)), nullptr);
    EXPECT_EQ(VM_UsedBankQuantity(), before + 2);

    // A bank too small to be a map record is not read as one.
    const int small = VM_Alloc(8);
    EXPECT_EQ(KX_MapGetLevels(small), 0);
    EXPECT_EQ(KX_MapGetLevelPtr(small, 0), nullptr);
}

TEST_F(Maps, MapDeleteOnlyReports) {
    const int map = KX_MapCreate(0, 1);
    EXPECT_EQ(KX_MapDelete(map), 1);
    EXPECT_EQ(KX_MapDelete(map), 1); // still alive
    EXPECT_EQ(KX_MapGetLevels(map), 1);
    EXPECT_EQ(VM_UsedBankQuantity(), 2);
    VM_Free(map);
    EXPECT_EQ(KX_MapDelete(map), 0);
}

TEST_F(Maps, RecreatingAndDeletingLevelsReleasesTheOldOnes) {
    const int map = KX_MapCreate(0, 2);
    const int base = VM_UsedBankQuantity();
    KX_MapCreateLevel(map, 1, 3, 3, 0);
    VM_PokeInt(grid_of(map, 1), 0, 77);
    // Re-creating replaces record and grid; the count does not grow.
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ((KX_MapCreateLevel(map, 1, 6 + round, 2, 0), VM_UsedBankQuantity()), base + 2);
    }
    EXPECT_EQ(std::pair(KX_MapGetLevelWidth(map, 1), KX_MapGetLevelHeight(map, 1)),
              std::pair(10, 2));
    EXPECT_EQ(VM_BankSize(grid_of(map, 1)), 11 * 3 * 4);
    EXPECT_EQ(VM_PeekInt(grid_of(map, 1), 0), 0); // a fresh grid

    // Delete-only (any non-zero value) empties the slot and makes nothing.
    EXPECT_EQ(KX_MapCreateLevel(map, 1, 5, 5, 1), 0);
    EXPECT_EQ(KX_MapGetLevelPtr(map, 1), nullptr);
    EXPECT_EQ(VM_UsedBankQuantity(), base);
    EXPECT_EQ((KX_MapCreateLevel(map, 1, 5, 5, -7), VM_UsedBankQuantity()), base);

    // Deleting a level frees record and grid; deleting an empty slot does nothing.
    KX_MapCreateLevel(map, 0, 2, 2, 0);
    KX_MapCreateLevel(map, 2, 2, 2, 0);
    const int kept = level_handle(map, 2);
    EXPECT_EQ(KX_MapDeleteLevel(map, 0), 0);
    EXPECT_EQ(VM_UsedBankQuantity(), base + 2);
    EXPECT_EQ((KX_MapDeleteLevel(map, 0), VM_UsedBankQuantity()), base + 2);
    EXPECT_EQ(level_handle(map, 2), kept); // other slots untouched

    // A negative size, or a grid past any bank size, empties the slot and makes no level.
    EXPECT_EQ((KX_MapCreateLevel(map, 2, -1, 4, 0), KX_MapGetLevelPtr(map, 2)), nullptr);
    KX_MapCreateLevel(map, 2, INT32_MAX, INT32_MAX, 0);
    EXPECT_EQ(KX_MapGetLevelPtr(map, 2), nullptr);
    EXPECT_EQ(VM_UsedBankQuantity(), base);
}

TEST_F(Maps, ReferenceCountsKeepHeldBanksButTheSlotIsEmptied) {
    const int map = KX_MapCreate(0, 1);
    KX_MapCreateLevel(map, 0, 2, 2, 0);
    const int level = level_handle(map, 0);
    const int grid = grid_of(map, 0);
    for (int held : {grid, grid, level, level}) // held twice: one VM_Free leaves it alive
        VM_IncBankRef(held);
    EXPECT_EQ((KX_MapDeleteLevel(map, 0), KX_MapGetLevelPtr(map, 0)), nullptr);
    EXPECT_EQ(VM_PeekInt(table_of(map), 0), 0);
    EXPECT_EQ(VM_BankRef(grid), 1);
    EXPECT_EQ(VM_BankRef(level), 1);
    VM_Free(grid);
    EXPECT_EQ((VM_Free(level), VM_BankExist(grid) | VM_BankExist(level)), 0);

    // Re-creation over a held level also empties the slot and fills it anew.
    KX_MapCreateLevel(map, 0, 2, 2, 0);
    const int held = level_handle(map, 0);
    VM_IncBankRef(held);
    VM_IncBankRef(held);
    KX_MapCreateLevel(map, 0, 3, 3, 0);
    EXPECT_NE(level_handle(map, 0), held);
    EXPECT_EQ(VM_BankRef(held), 1);
    EXPECT_EQ(KX_MapGetLevelWidth(map, 0), 3);
}

TEST_F(Maps, StaleLevelHandlesAreOnlyCleared) {
    const int map = KX_MapCreate(0, 1);
    KX_MapCreateLevel(map, 0, 2, 2, 0);
    const int grid = grid_of(map, 0);
    // Released behind the map's back.
    EXPECT_EQ((VM_Free(level_handle(map, 0)), KX_MapGetLevelPtr(map, 0)), nullptr);
    EXPECT_EQ(KX_MapGetLevelWidth(map, 0), 0);
    const int before = VM_UsedBankQuantity();
    EXPECT_EQ((KX_MapDeleteLevel(map, 0), VM_PeekInt(table_of(map), 0)), 0);
    EXPECT_EQ(VM_UsedBankQuantity(), before); // the orphaned grid is not touched
    EXPECT_EQ(VM_BankExist(grid), 1);

    // A handle reused by a bank too small for a level record is not freed either.
    KX_MapCreateLevel(map, 1, 2, 2, 0);
    const int second = level_handle(map, 1);
    VM_Free(second);
    const int foreign = VM_Alloc(4);
    ASSERT_EQ(foreign, second); // the released handle comes back first
    EXPECT_EQ((KX_MapCreateLevel(map, 1, 0, 0, 1), VM_BankExist(foreign)), 1);
    EXPECT_EQ(VM_PeekInt(table_of(map), 4), 0);
}

TEST(MapsAccounting, FailedAllocationsLeaveNothingBehind) {
    // Table of 3: handle 0 is never given, so two banks fit.
    VM_OpenMemoryManager(3);
    const int blocker = VM_Alloc(4);
    EXPECT_EQ(KX_MapCreate(0, 2), -1); // record fits, level table does not
    EXPECT_EQ(VM_UsedBankQuantity(), 1);
    VM_Free(blocker);
    const int map = KX_MapCreate(0, 2);
    ASSERT_GT(map, 0);
    // No handle left for the level record.
    EXPECT_EQ((KX_MapCreateLevel(map, 0, 1, 1, 0), KX_MapGetLevelPtr(map, 0)), nullptr);
    EXPECT_EQ(VM_UsedBankQuantity(), 2);
    VM_FreeALLBanks();
    VM_CloseMemoryManager();

    // Table of 4: the level record fits but its grid does not.
    VM_OpenMemoryManager(4);
    const int m = KX_MapCreate(0, 0);
    KX_MapCreateLevel(m, 0, 1, 1, 0);
    EXPECT_EQ(VM_UsedBankQuantity(), 2); // map and table only: the level record was given back
    EXPECT_EQ(KX_MapGetLevelPtr(m, 0), nullptr);
    VM_FreeALLBanks();
    VM_CloseMemoryManager();

    // With the manager closed nothing can be made.
    EXPECT_EQ(KX_MapCreate(0, 1), -1);
}

} // namespace
