#include <gtest/gtest.h>
#include "layout/LayoutMgr.h"
#include <string>
#include <vector>

// The solver on its own: items keyed by made-up handles, a given layout rectangle.
namespace
{
HWND H(int n) { return (HWND)(INT_PTR)n; }

LayoutItem Item(int l, int t, int r, int b)
{
    return LayoutItem{ {}, l, t, r, b };
}

// An item's edges as "left,top,right,bottom".
std::string Ltrb(const LayoutItem& it)
{
    return std::to_string(it.left) + "," + std::to_string(it.top) + "," + std::to_string(it.right) + "," +
           std::to_string(it.bottom);
}

void Bind(LayoutItem& it, int edge, UINT type, int offset, HWND ref = NULL, int percent = 0)
{
    it.edges[edge] = EdgeConstraint{ type, offset, ref, percent };
}
}

TEST(LayoutSolve, CentringTruncatesTowardZero)
{
    LayoutItemMap items;
    LayoutItem a = Item(0, 0, 50, 10);
    Bind(a, LE_HCENTER, CT_SAME_AS_DIALOG, 0);
    items[H(1)] = a;
    // 47 - 50 = -3: the left edge becomes -1, not -2.
    RECT L = { 0, 0, 47, 40 };
    SolveLayout(items, L, true, false);
    EXPECT_EQ("-1,0,49,10", Ltrb(items[H(1)]));

    // Centred on another control, vertically, with an offset.
    LayoutItem b = Item(0, 0, 10, 4);
    Bind(b, LE_VCENTER, CT_SAME_AS_CONTROL, 2, H(1));
    items[H(2)] = b;
    SolveLayout(items, L, false, true);
    EXPECT_EQ("0,5,10,9", Ltrb(items[H(2)])) << "(0 + 10 - 4) / 2 + 2";
}

TEST(LayoutSolve, EveryConstraintTypeOnLeftAndRight)
{
    RECT L = { 0, 0, 250, 120 };
    LayoutItemMap items;
    items[H(10)] = Item(30, 5, 70, 15); // reference, unbound
    struct Row { UINT type; int offset; int percent; int left; int right; } rows[] = {
        { CT_OPPOSITE_OF_CONTROL, 3, 0, 70 + 3, 30 + 3 },
        { CT_SAME_AS_CONTROL, -2, 0, 30 - 2, 70 - 2 },
        { CT_PERCENT, 1, 33, 82 + 1, 82 + 1 },
        { CT_SAME_AS_DIALOG, 4, 0, 0 + 4, 250 + 4 },
        { CT_OPPOSITE_OF_DIALOG, -5, 0, 250 - 5, 0 - 5 },
        { CT_DIALOG_ORIGIN, 6, 0, 0 + 6, 0 + 6 },
    };
    for (const Row& row : rows)
    {
        LayoutItemMap m = items;
        LayoutItem it = Item(1, 1, 2, 2);
        Bind(it, LE_LEFT, row.type, row.offset, H(10), row.percent);
        Bind(it, LE_RIGHT, row.type, row.offset, H(10), row.percent);
        m[H(20)] = it;
        SolveLayout(m, L, true, true);
        // No vertical binding: the control keeps its height and place.
        EXPECT_EQ(Ltrb(Item(row.left, 1, row.right, 2)), Ltrb(m[H(20)])) << "type " << row.type;
    }
}

TEST(LayoutSolve, KeepSizeAndUnknownReferencesLeaveTheControlAlone)
{
    LayoutItemMap items;
    items[H(1)] = Item(12, 8, 40, 20);
    LayoutItem b = Item(50, 8, 90, 20);
    Bind(b, LE_LEFT, CT_SAME_AS_CONTROL, 0, H(99)); // reference without an item
    Bind(b, LE_RIGHT, 7, 0);                        // no such type
    items[H(2)] = b;
    RECT L = { 0, 0, 300, 300 };
    EXPECT_EQ(1, SolveLayout(items, L, true, true));
    EXPECT_EQ("12,8,40,20", Ltrb(items[H(1)]));
    EXPECT_EQ("50,8,90,20", Ltrb(items[H(2)]));
}

TEST(LayoutSolve, ControlsPushingEachOtherApartStopAfterHundredPasses)
{
    // A's left follows B's right; B's right follows A's left plus 10.
    LayoutItemMap items;
    LayoutItem a = Item(100, 0, 120, 10);
    Bind(a, LE_LEFT, CT_OPPOSITE_OF_CONTROL, 0, H(2));
    LayoutItem b = Item(60, 0, 100, 10);
    Bind(b, LE_RIGHT, CT_OPPOSITE_OF_CONTROL, 10, H(1));
    items[H(1)] = a;
    items[H(2)] = b;
    RECT L = { 0, 0, 500, 100 };
    EXPECT_EQ(100, SolveLayout(items, L, true, false));
    // Pass k puts A's left at 100 + 10 (k - 1) and B's right at 100 + 10 k.
    EXPECT_EQ(Ltrb(Item(100 + 990, 0, 100 + 990 + 20, 10)), Ltrb(items[H(1)]));
    EXPECT_EQ(Ltrb(Item(100 + 1000 - 40, 0, 100 + 1000, 10)), Ltrb(items[H(2)]));
}

TEST(LayoutSolve, MeasuredOffsetsOfAllEdges)
{
    RECT c = { 10, 20, 21, 31 };
    RECT r = { 0, 0, 40, 60 };
    std::vector<int> offsets;
    for (int edge : { LE_LEFT, LE_RIGHT, LE_HCENTER, LE_TOP, LE_BOTTOM, LE_VCENTER })
        offsets.push_back(MeasureEdgeOffset(edge, c, r));
    // The centres: (31 - 40) / 2 and (51 - 60) / 2.
    EXPECT_EQ((std::vector<int>{ 10, -19, -4, 20, -29, -4 }), offsets);
}
