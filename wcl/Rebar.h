#pragma once
#include "wcl/Window.h"

// The bar area of a frame: bands that hold a child bar each.
class CReBarCtrl : public CWindow
{
public:
    HWND Create(HWND parent, UINT id)
    {
        m_hWnd = ::CreateWindowExA(0, REBARCLASSNAMEA, NULL,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                       RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP,
                                   0, 0, 0, 0, parent, (HMENU)(UINT_PTR)id, ::GetModuleHandle(NULL), NULL);
        return m_hWnd;
    }

    // Adds a band holding child; its minimum size is the child's ideal size.
    BOOL AddBand(HWND child, UINT bandId, bool newRow)
    {
        SIZE ideal = { 0, 0 };
        if (!::SendMessage(child, TB_GETMAXSIZE, 0, (LPARAM)&ideal) || ideal.cx == 0)
        {
            RECT rc;
            ::GetWindowRect(child, &rc);
            ideal.cx = rc.right - rc.left;
            ideal.cy = rc.bottom - rc.top;
        }
        REBARBANDINFOA band = {};
        band.cbSize = REBARBANDINFOA_V6_SIZE;
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_IDEALSIZE;
        band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (newRow ? RBBS_BREAK : 0);
        band.hwndChild = child;
        band.wID = bandId;
        band.cxMinChild = 0;
        band.cyMinChild = ideal.cy;
        band.cx = ideal.cx + 16;
        band.cxIdeal = ideal.cx;
        return (BOOL)SendMessage(RB_INSERTBANDA, (WPARAM)-1, (LPARAM)&band);
    }

    int GetBandCount() const { return (int)SendMessage(RB_GETBANDCOUNT); }
    int IdToIndex(UINT bandId) const { return (int)SendMessage(RB_IDTOINDEX, bandId); }
    int GetRowCount() const { return (int)SendMessage(RB_GETROWCOUNT); }
    BOOL ShowBand(int index, bool show) { return (BOOL)SendMessage(RB_SHOWBAND, index, show); }

    bool IsBandHidden(int index) const
    {
        REBARBANDINFOA band = {};
        band.cbSize = REBARBANDINFOA_V6_SIZE;
        band.fMask = RBBIM_STYLE;
        if (!SendMessage(RB_GETBANDINFOA, index, (LPARAM)&band))
            return true;
        return (band.fStyle & RBBS_HIDDEN) != 0;
    }
};
