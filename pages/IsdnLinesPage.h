#pragma once
#include "pages/TabbedPage.h"
#include "pages/NumericEdit.h"
#include "pages/CreditRestoreControls.h"
#include "res/IsdnPagesIds.h"

constexpr int kIsdnPageLinkCount = 3; // the links the page edits
constexpr int kIsdnLinkCounters = 3;  // credit counters per link on the page

// The layer 1 wiring and layer 2 settings of a link that the expert dialog
// edits.
enum LinkWiring
{
    WIRING_BY_PROTOCOL = 0,
    WIRING_TE = 1,
    WIRING_NT = 2,
};
struct LinkLayerValues
{
    bool longHaul;
    int wiring;     // LinkWiring
    int tei;        // 0-127
    int signalling; // timeslot 1-31 of the signalling channel
};
constexpr int kDefaultSignallingTimeslot = 16;

// The first timeslot marked as signalling channel, or -1.
int SignallingTimeslot(const IsdnLinkSettings& link);
LinkLayerValues ReadLinkLayer(const IsdnLinkSettings& link);
// Writes the values; the signalling mark moves to their timeslot.
void ApplyLinkLayer(IsdnLinkSettings& link, const LinkLayerValues& values);

// The modal expert dialog of one link, on the caller's copy of its record.
class CIsdnLinkLayerDlg : public CDialogImpl<CIsdnLinkLayerDlg>
{
public:
    enum { IDD = IDD_ISDN_LINK_LAYER };
    CIsdnLinkLayerDlg(IsdnLinkSettings* link, int index) : m_link(link), m_index(index) {}

    BEGIN_MSG_MAP(CIsdnLinkLayerDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_ID_HANDLER(IDOK, OnOk)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

private:
    IsdnLinkSettings* m_link;
    int m_index;
    CNumericEdit m_tei;
    CNumericEdit m_signalling;

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOk(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};

// One link: protocol and side, layer 1, hunting, blocked timeslots, credit
// counters and their restore rule.
class CIsdnLinkTab : public CBoundTab<CIsdnLinkTab>
{
public:
    enum { IDD = IDD_ISDN_LINK_TAB };
    CIsdnLinkTab(ConfigRecord* record, int link) : CBoundTab<CIsdnLinkTab>(record), m_link(link) {}

    static const FieldTable kLinkFields;
    static const FieldTable kCreditFields;

    void OnLanguageChanged() override;
    void OwnWrites(std::vector<ByteRun>& runs) const override;

    BEGIN_MSG_MAP(CIsdnLinkTab)
        CHAIN_MSG_MAP(CBoundTab<CIsdnLinkTab>)
        COMMAND_HANDLER(IDC_LINK_PROTOCOL, CBN_SELCHANGE, OnProtocolChanged)
        COMMAND_ID_HANDLER(IDC_LINK_BLOCK_ALL, OnBlockAll)
        COMMAND_ID_HANDLER(IDC_LINK_UNBLOCK_ALL, OnUnblockAll)
        COMMAND_ID_HANDLER(IDC_LINK_EXPERT, OnExpert)
        COMMAND_RANGE_HANDLER(IDC_LINK_RESTORE_DAY, IDC_LINK_RESTORE_WEEKLY, OnRestoreKind)
    END_MSG_MAP()

protected:
    FieldTables Fields() const override
    {
        return { { &kLinkFields, (uint32_t)m_link }, { &kCreditFields, (uint32_t)m_link } };
    }
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;

private:
    int m_link;
    CCreditRestoreControls m_restore;
    CNumericEdit m_credit[kIsdnLinkCounters];
    CNumericEdit m_oldCredit[kIsdnLinkCounters];

    void FillProtocols();
    void SetSideTexts();
    void BlockEnabledTimeslots(bool block);
    LRESULT OnProtocolChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnBlockAll(WORD, WORD, HWND, BOOL&);
    LRESULT OnUnblockAll(WORD, WORD, HWND, BOOL&);
    LRESULT OnExpert(WORD, WORD, HWND, BOOL&);
    LRESULT OnRestoreKind(WORD, WORD, HWND, BOOL&);
};

// The ISDN links, one tab each; the tab shown last is shown again.
class CIsdnLinesPage : public CTabbedPage<CIsdnLinesPage, CIsdnLinkTab, kIsdnPageLinkCount>
{
    typedef CTabbedPage<CIsdnLinesPage, CIsdnLinkTab, kIsdnPageLinkCount> Base;

public:
    enum { IDD = IDD_ISDN_LINES };
    explicit CIsdnLinesPage(ConfigRecord* record) : Base(record) {}

    BEGIN_MSG_MAP(CIsdnLinesPage)
        CHAIN_MSG_MAP(Base)
    END_MSG_MAP()

    CIsdnLinkTab* Tab(int link) const { return m_tabs[link].get(); }

protected:
    LayoutRules_t LayoutRules() const override
    {
        return { { IDC_ISDNLINES_TABS, LE_LEFT, 0 },
                 { IDC_ISDNLINES_TABS, LE_TOP, 0 },
                 { IDC_ISDNLINES_TABS, LE_RIGHT, 0 },
                 { IDC_ISDNLINES_TABS, LE_BOTTOM, 0 } };
    }
    void OnInitControls() override;
    void OnStored() override;
    void OnTextsChanged() override;
};
