#pragma once
#include "wcl/Win.h"
#include <set>

// Notes the edits that are given the password character '*' while it lives,
// by their control ids. The program must ask for '*' itself: Wine shows '*'
// for an ES_PASSWORD edit by itself, Windows with visual styles a dot unless
// told, so reading the character back proves nothing.
class CStarPasswordEdits
{
public:
    CStarPasswordEdits();
    ~CStarPasswordEdits();

    const std::set<int>& Ids() const { return m_ids; }

private:
    static LRESULT CALLBACK CallProc(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook;
    std::set<int> m_ids;
    CStarPasswordEdits* m_outer;
};
