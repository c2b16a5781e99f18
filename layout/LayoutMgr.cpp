#include "layout/LayoutMgr.h"
#include "base/TextUtil.h"

// Registered during static initialisation, in this order.
static UINT RegisteredMessage(const char* name) { return ::RegisterWindowMessageA(name); }

const UINT WMU_PS_ATTACH_PAGE = RegisteredMessage("WTLU_LM::WMU_PS_ATTACH_PAGE");
const UINT WMU_PS_INIT = RegisteredMessage("WTLU_LM::WMU_PS_INIT");
const UINT WMU_PS_ATTACH_PS = RegisteredMessage("WTLU_LM::WMU_PS_ATTACH_PS");

namespace
{
int g_themeLibraryPresent = -1;

const int kMaxPasses = 100;

// The new position of one of the four plain edges of an item, or false when
// the binding gives the edge nothing of its own.
bool PlaceEdge(const LayoutItemMap& items, const EdgeConstraint& ec, bool horizontal, bool low,
               const RECT& L, int& value)
{
    int extent = horizontal ? L.right - L.left : L.bottom - L.top;
    int lStart = horizontal ? L.left : L.top;
    int lEnd = horizontal ? L.right : L.bottom;
    switch (ec.type)
    {
    case CT_OPPOSITE_OF_CONTROL:
    case CT_SAME_AS_CONTROL:
    {
        // A reference without an item of its own has no rectangle to follow:
        // the edge stays where it is.
        auto it = items.find(ec.reference);
        if (it == items.end())
            return false;
        const LayoutItem& r = it->second;
        int rStart = horizontal ? r.left : r.top;
        int rEnd = horizontal ? r.right : r.bottom;
        bool same = ec.type == CT_SAME_AS_CONTROL;
        value = ((low == same) ? rStart : rEnd) + ec.offset;
        return true;
    }
    case CT_PERCENT:
        value = ec.percent * extent / 100 + ec.offset;
        return true;
    case CT_SAME_AS_DIALOG:
        value = (low ? lStart : lEnd) + ec.offset;
        return true;
    case CT_OPPOSITE_OF_DIALOG:
        value = (low ? lEnd : lStart) + ec.offset;
        return true;
    case CT_DIALOG_ORIGIN:
        value = lStart + ec.offset;
        return true;
    default:
        return false;
    }
}

// Centres [start, end] on the reference span (type 2) or the layout span (type 4).
void PlaceCentre(const LayoutItemMap& items, const EdgeConstraint& ec, bool horizontal, const RECT& L,
                 int& start, int& end)
{
    int refStart, refEnd;
    if (ec.type == CT_SAME_AS_CONTROL)
    {
        auto it = items.find(ec.reference);
        if (it == items.end())
            return;
        refStart = horizontal ? it->second.left : it->second.top;
        refEnd = horizontal ? it->second.right : it->second.bottom;
    }
    else if (ec.type == CT_SAME_AS_DIALOG)
    {
        refStart = horizontal ? L.left : L.top;
        refEnd = horizontal ? L.right : L.bottom;
    }
    else
    {
        return;
    }
    int size = end - start;
    start = (refStart + refEnd - size) / 2 + ec.offset;
    end = start + size;
}
}

int MeasureEdgeOffset(int edge, const RECT& c, const RECT& r)
{
    switch (edge)
    {
    case LE_LEFT: return c.left - r.left;
    case LE_RIGHT: return c.right - r.right;
    case LE_HCENTER: return ((c.left + c.right) - (r.left + r.right)) / 2;
    case LE_TOP: return c.top - r.top;
    case LE_BOTTOM: return c.bottom - r.bottom;
    case LE_VCENTER: return ((c.top + c.bottom) - (r.top + r.bottom)) / 2;
    default: return 0;
    }
}

int SolveLayout(LayoutItemMap& items, const RECT& L, bool horizontal, bool vertical)
{
    int pass = 0;
    while (pass < kMaxPasses)
    {
        ++pass;
        bool changed = false;
        for (auto& entry : items)
        {
            LayoutItem& it = entry.second;
            const LayoutItem old = it;
            int v;
            if (horizontal)
            {
                if (PlaceEdge(items, it.edges[LE_LEFT], true, true, L, v))
                    it.left = v;
                if (PlaceEdge(items, it.edges[LE_RIGHT], true, false, L, v))
                    it.right = v;
            }
            if (vertical)
            {
                if (PlaceEdge(items, it.edges[LE_TOP], false, true, L, v))
                    it.top = v;
                if (PlaceEdge(items, it.edges[LE_BOTTOM], false, false, L, v))
                    it.bottom = v;
            }
            if (horizontal)
                PlaceCentre(items, it.edges[LE_HCENTER], true, L, it.left, it.right);
            if (vertical)
                PlaceCentre(items, it.edges[LE_VCENTER], false, L, it.top, it.bottom);
            if (horizontal)
            {
                if (it.edges[LE_LEFT].type == CT_KEEP_SIZE)
                    it.left = it.right - (old.right - old.left);
                if (it.edges[LE_RIGHT].type == CT_KEEP_SIZE)
                    it.right = it.left + (old.right - old.left);
            }
            if (vertical)
            {
                if (it.edges[LE_TOP].type == CT_KEEP_SIZE)
                    it.top = it.bottom - (old.bottom - old.top);
                if (it.edges[LE_BOTTOM].type == CT_KEEP_SIZE)
                    it.bottom = it.top + (old.bottom - old.top);
            }
            if (it.left != old.left || it.top != old.top || it.right != old.right || it.bottom != old.bottom)
                changed = true;
        }
        if (!changed)
            break;
    }
    return pass;
}

bool IsThemeLibraryPresent()
{
    if (g_themeLibraryPresent < 0)
    {
        // Only the system's own copy counts: a library of that name beside the
        // program or in the current folder is never loaded.
        char path[MAX_PATH];
        UINT n = ::GetSystemDirectoryA(path, sizeof(path));
        HMODULE lib = NULL;
        if (n > 0 && n < sizeof(path))
        {
            AppendText(path, sizeof(path), "\\uxtheme.dll");
            lib = ::LoadLibraryA(path);
        }
        g_themeLibraryPresent = lib ? 1 : 0;
        if (lib)
            ::FreeLibrary(lib);
    }
    return g_themeLibraryPresent != 0;
}
