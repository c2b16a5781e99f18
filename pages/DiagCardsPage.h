#pragma once
#include "pages/DiagPage.h"
#include "wcl/CursorWnd.h"
#include "res/DiagPagesIds.h"
#include <string>
#include <vector>

// The colours of the module states (COLORREF 0x00BBGGRR).
enum : COLORREF
{
    STATE_RED = 0x0000FF,
    STATE_GREEN = 0x00FF00,
    STATE_YELLOW = 0x00FFFF,
    STATE_BLUE = 0xFF0000,
    STATE_MAGENTA = 0xFF00FF,
    STATE_DARK_GREEN = 0x008000,
};

// The text of a module's state code (without the second-SIM bit), with the
// device's own text after " - " for the codes of the state table, and its
// background colour (the face colour for the quiet states).
COLORREF GetStatusText(WORD code, const char* deviceText, char* out, size_t size);
// The text of a GSM signal value; returns the level in dBm (0 when none).
int GetSignalText(int value, char* out, size_t size);
// The lines a state field shows text in, width pixels wide in dc's font:
// broken between words, and inside a word wider than a whole line (a
// device text without spaces), which fills the line it starts on.
std::vector<std::string> StateTextLines(HDC dc, const char* text, int width);
// The card kind a card's first module state tells: 0 none, 1 GSM, 2 VoIP,
// 6 analog (the card types' numbers).
int CardKindOfState(WORD code);

// The state of the 32 module positions, 8 cards of 4: a state text on its
// colour, the SIM in use and the signal level. A double-click on a GSM
// module's state asks for that module's information.
class CDiagCardsPage : public CDiagPage<CDiagCardsPage>
{
public:
    enum { IDD = IDD_DIAG_CARDS };
    enum { kModules = 32, kCards = 8, kStateTextSize = 100 };

    CDiagCardsPage(const DiagNode& node, IDiagEngine& engine);
    ~CDiagCardsPage() override;

    COLORREF GetStateColour(int module) const { return m_colours[module]; }
    int GetShownKind(int card) const { return m_kinds[card]; }
    HCURSOR GetStateCursor(int module) const { return m_cursors[module].GetCursor(); }

    BEGIN_MSG_MAP(CDiagCardsPage)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColor)
        MESSAGE_HANDLER(WM_DRAWITEM, OnDrawItem)
        COMMAND_CODE_HANDLER(STN_DBLCLK, OnStateDoubleClick)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        CHAIN_MSG_MAP(CDiagPage<CDiagCardsPage>)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnTextsChanged() override;
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;

private:
    COLORREF m_colours[kModules];
    HBRUSH m_face;
    HCURSOR m_hand;
    CCursorWnd m_cursors[kModules];
    int m_kinds[kCards];
    // The positions of cards other than analog ones are named as ports
    // until the first language change, as modules from then on.
    bool m_modulesNamed;

    // The group box names the card, with the kind last shown when withKind.
    void SetCardTitle(int card, bool withKind);
    void SetCardLabels(int card);
    void SetPositionLabels();
    void SetCardCursor(int card, HCURSOR cursor);

    LRESULT OnCtlColor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnStateDoubleClick(WORD, WORD, HWND, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
};
