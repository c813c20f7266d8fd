// Slot lists: chains, reuse order, the block layout and growth.
#include <gtest/gtest.h>

#include <vector>

#include "kx/kx_vm.h"

namespace {

using Items = std::vector<int>;

Items walk(void* l, int first) {
    Items v;
    for (int i = first; i != -1; i = LinkList_GetNextItem(l, i))
        v.push_back(i);
    return v;
}
Items used(void* l) {
    return walk(l, LinkList_GetFirstItem(l));
}
Items free_items(void* l) {
    return walk(l, LinkList_GetFreeItem(l));
}

// Every item on exactly the chain its status names, both chains doubly linked.
void expect_consistent(void* l) {
    std::vector<int> seen(static_cast<std::size_t>(LinkList_GetListSize(l) + 1), 0);
    for (auto [chain, status] : {std::pair{used(l), 1}, std::pair{free_items(l), 0}}) {
        int prev = -1;
        for (int i : chain) {
            EXPECT_EQ(LinkList_ItemStatus(l, i), status);
            EXPECT_EQ(LinkList_GetPreviousItem(l, i), prev);
            EXPECT_EQ(LinkList_Convert_Index_To_Element(l, i), i);
            seen[static_cast<std::size_t>(i)]++;
            prev = i;
        }
    }
    EXPECT_EQ(seen, std::vector<int>(seen.size(), 1));
}

TEST(SlotList, HandsOutAscendingAndReusesLastReleasedFirst) {
    void* l = LinkList_Create(3);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(LinkList_GetListSize(l), 3);
    EXPECT_EQ(free_items(l), (Items{0, 1, 2, 3}));
    EXPECT_EQ(LinkList_GetFirstItem(l), -1);
    for (int expect : {0, 1, 2, 3}) {
        EXPECT_EQ(LinkList_GetFreeItem(l), expect);
        LinkList_AddItem(l, expect);
    }
    EXPECT_EQ(LinkList_GetFreeItem(l), -1);
    EXPECT_EQ(LinkList_GetLastFreeItem(l), -1);
    EXPECT_EQ(used(l), (Items{3, 2, 1, 0})); // newest first
    LinkList_FreeItem(l, 2);
    LinkList_FreeItem(l, 0);
    EXPECT_EQ(free_items(l), (Items{0, 2}));
    EXPECT_EQ(LinkList_GetLastFreeItem(l), 2);
    EXPECT_EQ(used(l), (Items{3, 1}));
    expect_consistent(l);
    LinkList_Delete(l);
}

TEST(SlotList, RedundantAndOutOfRangeRequestsChangeNothing) {
    void* l = LinkList_Create(3);
    LinkList_AddItem(l, 1);
    LinkList_AddItem(l, 1);  // already used
    LinkList_FreeItem(l, 2); // already free
    for (int bad : {4, -1, 7}) {
        LinkList_FreeItem(l, bad);
        LinkList_AddItem(l, bad);
        EXPECT_EQ(LinkList_ItemStatus(l, bad), 0);
    }
    EXPECT_EQ(used(l), (Items{1}));
    EXPECT_EQ(free_items(l), (Items{0, 2, 3}));
    EXPECT_EQ(LinkList_GetNextItem(l, -1), -1);
    EXPECT_EQ(LinkList_GetPreviousItem(l, -1), -1);
    expect_consistent(l);
    EXPECT_EQ(LinkList_Create(-1), nullptr);
    LinkList_Delete(l);
}

TEST(SlotList, BlockLayoutIsThePublishedOne) {
    void* l = LinkList_Create(2);
    auto* w = static_cast<std::int32_t*>(l);
    auto words = [w] { return std::vector<std::int32_t>(w, w + 16); };
    // Header: reserved, free head link, used head link, size; then per item
    // status, element, previous link, next link (links are word offsets).
    EXPECT_EQ(words(),
              (std::vector<std::int32_t>{0, 4, -1, 2, 0, 0, -1, 8, 0, 1, 4, 12, 0, 2, 8, -1}));
    LinkList_AddItem(l, 1);
    EXPECT_EQ(words(),
              (std::vector<std::int32_t>{0, 4, 8, 2, 0, 0, -1, 12, 1, 1, -1, -1, 0, 2, 4, -1}));
    LinkList_Delete(l);
}

TEST(SlotList, ExpandAppendsNewItemsToTheFreeChain) {
    void* full = LinkList_Create(3);
    for (int i = 0; i < 4; ++i)
        LinkList_AddItem(full, i);
    full = LinkList_Expand(full, 2);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(LinkList_GetListSize(full), 5);
    EXPECT_EQ(free_items(full), (Items{4, 5}));
    EXPECT_EQ(used(full), (Items{3, 2, 1, 0}));
    expect_consistent(full);
    LinkList_Delete(full);

    void* one = LinkList_Create(3);
    for (int i = 0; i < 3; ++i)
        LinkList_AddItem(one, i);
    one = LinkList_Expand(one, 2);
    EXPECT_EQ(free_items(one), (Items{3, 4, 5}));
    LinkList_FreeItem(one, 1); // freed earlier items are still given out first
    EXPECT_EQ(free_items(one), (Items{1, 3, 4, 5}));
    expect_consistent(one);
    EXPECT_EQ(LinkList_Expand(one, 0), one); // nothing to add
    LinkList_Delete(one);
}

TEST(SlotList, SettersRebuildChains) {
    void* l = LinkList_Create(2);
    // Make the free chain 2 -> 0 by hand (item 1 dropped from it).
    LinkList_SetFreeListPointer(l, 2);
    LinkList_SetPreviousLink(l, 2, -1);
    LinkList_SetNextLink(l, 2, 0);
    LinkList_SetPreviousLink(l, 0, 2);
    LinkList_SetNextLink(l, 0, -1);
    EXPECT_EQ(free_items(l), (Items{2, 0}));
    LinkList_SetNextLink(l, 0, 9); // no such item: ignored
    EXPECT_EQ(LinkList_GetNextItem(l, 0), -1);
    LinkList_Delete(l);
}

} // namespace
