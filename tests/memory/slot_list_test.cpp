// Slot lists: chains, reuse order, the block layout and growth.
#include <gtest/gtest.h>

#include <vector>

#include "kx/kx_vm.h"

namespace {

std::vector<int> walk_used(void* l) {
    std::vector<int> v;
    for (int i = LinkList_GetFirstItem(l); i != -1; i = LinkList_GetNextItem(l, i))
        v.push_back(i);
    return v;
}
std::vector<int> walk_free(void* l) {
    std::vector<int> v;
    for (int i = LinkList_GetFreeItem(l); i != -1; i = LinkList_GetNextItem(l, i))
        v.push_back(i);
    return v;
}

// Every item on exactly the chain its status names, both chains doubly linked.
void expect_consistent(void* l) {
    int size = LinkList_GetListSize(l);
    std::vector<int> seen(static_cast<std::size_t>(size + 1), 0);
    for (auto [chain, status] : {std::pair{walk_used(l), 1}, std::pair{walk_free(l), 0}}) {
        int prev = -1;
        for (int i : chain) {
            EXPECT_EQ(LinkList_ItemStatus(l, i), status);
            EXPECT_EQ(LinkList_GetPreviousItem(l, i), prev);
            EXPECT_EQ(LinkList_Convert_Index_To_Element(l, i), i);
            seen[static_cast<std::size_t>(i)]++;
            prev = i;
        }
    }
    for (int s : seen)
        EXPECT_EQ(s, 1);
}

TEST(SlotList, HandsOutAscendingAndReusesLastReleasedFirst) {
    void* l = LinkList_Create(3);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(LinkList_GetListSize(l), 3);
    EXPECT_EQ(walk_free(l), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(LinkList_GetFirstItem(l), -1);
    for (int expect : {0, 1, 2}) {
        int i = LinkList_GetFreeItem(l);
        EXPECT_EQ(i, expect);
        LinkList_AddItem(l, i);
    }
    EXPECT_EQ(LinkList_GetFreeItem(l), 3);
    LinkList_AddItem(l, 3);
    EXPECT_EQ(LinkList_GetFreeItem(l), -1);
    EXPECT_EQ(LinkList_GetLastFreeItem(l), -1);
    EXPECT_EQ(walk_used(l), (std::vector<int>{3, 2, 1, 0})); // newest first
    LinkList_FreeItem(l, 2);
    LinkList_FreeItem(l, 0);
    EXPECT_EQ(walk_free(l), (std::vector<int>{0, 2}));
    EXPECT_EQ(LinkList_GetLastFreeItem(l), 2);
    EXPECT_EQ(walk_used(l), (std::vector<int>{3, 1}));
    expect_consistent(l);
    LinkList_Delete(l);
}

TEST(SlotList, RedundantAndOutOfRangeRequestsChangeNothing) {
    void* l = LinkList_Create(3);
    LinkList_AddItem(l, 1);
    LinkList_AddItem(l, 1);  // already used
    LinkList_FreeItem(l, 2); // already free
    LinkList_FreeItem(l, 4);
    LinkList_FreeItem(l, -1);
    LinkList_AddItem(l, 7);
    EXPECT_EQ(walk_used(l), (std::vector<int>{1}));
    EXPECT_EQ(walk_free(l), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(LinkList_ItemStatus(l, 4), 0);
    EXPECT_EQ(LinkList_ItemStatus(l, -1), 0);
    EXPECT_EQ(LinkList_GetNextItem(l, -1), -1);
    EXPECT_EQ(LinkList_GetPreviousItem(l, -1), -1);
    expect_consistent(l);
    EXPECT_EQ(LinkList_Create(-1), nullptr);
    LinkList_Delete(l);
}

TEST(SlotList, BlockLayoutIsThePublishedOne) {
    void* l = LinkList_Create(2);
    auto* w = static_cast<std::int32_t*>(l);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(w[1], 4);  // free head: item 0
    EXPECT_EQ(w[2], -1); // no used item
    EXPECT_EQ(w[3], 2);
    // item 1 at word 8: free, element 1, previous link 4 (item 0), next link 12 (item 2)
    EXPECT_EQ(w[8], 0);
    EXPECT_EQ(w[9], 1);
    EXPECT_EQ(w[10], 4);
    EXPECT_EQ(w[11], 12);
    LinkList_AddItem(l, 1);
    EXPECT_EQ(w[8], 1);
    EXPECT_EQ(w[2], 8);  // used head: item 1
    EXPECT_EQ(w[7], 12); // item 0's next is now item 2
    EXPECT_EQ(w[14], 4); // item 2's previous is item 0
    LinkList_Delete(l);
}

TEST(SlotList, ExpandAppendsNewItemsToTheFreeChain) {
    void* full = LinkList_Create(3);
    for (int i = 0; i < 4; ++i)
        LinkList_AddItem(full, i);
    full = LinkList_Expand(full, 2);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(LinkList_GetListSize(full), 5);
    EXPECT_EQ(walk_free(full), (std::vector<int>{4, 5}));
    EXPECT_EQ(walk_used(full), (std::vector<int>{3, 2, 1, 0}));
    expect_consistent(full);
    LinkList_Delete(full);

    void* one = LinkList_Create(3);
    for (int i = 0; i < 3; ++i)
        LinkList_AddItem(one, i);
    one = LinkList_Expand(one, 2);
    EXPECT_EQ(walk_free(one), (std::vector<int>{3, 4, 5}));
    LinkList_FreeItem(one, 1); // freed earlier items are still given out first
    EXPECT_EQ(walk_free(one), (std::vector<int>{1, 3, 4, 5}));
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
    EXPECT_EQ(walk_free(l), (std::vector<int>{2, 0}));
    LinkList_SetNextLink(l, 0, 9); // no such item: ignored
    EXPECT_EQ(LinkList_GetNextItem(l, 0), -1);
    LinkList_Delete(l);
}

} // namespace
