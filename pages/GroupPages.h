#pragma once
#include "pages/TabbedPage.h"
#include "wcl/WaitCursor.h"
#include "pages/GroupFunctions.h"
#include "pages/NumericEdit.h"
#include "pages/CharSetEdit.h"
#include "record/EntityNames.h"
#include "record/LcrTables.h"
#include "res/CardPagesIds.h"

// A group tab of dialog T built on the bound tab.
template <class T>
class CGroupTab : public CBoundTab<T>
{
public:
    CGroupTab(ConfigRecord* record, int group) : CBoundTab<T>(record), m_group(group) {}

protected:
    int m_group;
};

// The texts of a group's members: module or line numbers ("%d  " each,
// with the channel offset), VoIP cards (with the board offset) and SIP
// trunk names (one a line).
void FormatGroupModules(const ConfigRecord* rec, int group, GroupDirection direction, char* out, size_t size);
void FormatGroupBoards(const ConfigRecord* rec, int group, GroupDirection direction, char* out, size_t size);
void FormatGroupTrunks(const ConfigRecord* rec, int group, GroupDirection direction, char* out, size_t size);

// The commands of an extension list (add, delete, up, down) on a list box
// of at most five distinct lines fed from an input edit.
constexpr int kMaxExtensions = 5;
bool AddExtension(HWND list, const char* text);
void MoveExtension(HWND list, int by);

// A page with one tab per group in use, its kind decided by the card that
// serves the group; remembers the selected group.
template <class T>
class CGroupsPage : public CTabbedPage<T, IBoundTab, CFG_GROUP_COUNT>
{
    typedef CTabbedPage<T, IBoundTab, CFG_GROUP_COUNT> Base;

public:
    explicit CGroupsPage(ConfigRecord* record, int* memory) : Base(record), m_memory(memory) {}

    IBoundTab* TabOf(int group) const { return this->m_tabs[group].get(); }

    BEGIN_MSG_MAP(CGroupsPage)
        CHAIN_MSG_MAP(Base)
    END_MSG_MAP()

protected:
    void OnInitControls() override
    {
        CTabPageHost& host = this->m_host;
        host.SubclassWindow(this->GetDlgItem(IDC_CARD_TABS));
        host.SetFactory(TRUE, &CGroupsPage::CreateTabPage, (LPARAM)this);
        CWaitCursor wait;
        uint32_t used = T::UsedGroups(this->m_pRecord);
        for (int g = 0; g < (int)CFG_GROUP_COUNT; ++g)
        {
            if (!(used & (1u << g)))
                continue;
            m_groups.push_back(g);
            char title[ENTITY_NAME_SIZE] = "";
            GetGroupName(g, title);
            host.AddPage(NULL, title, -1, g, g == *m_memory);
        }
    }

    void OnStored() override
    {
        int current = this->m_host.GetCurrentIndex();
        if (current >= 0 && current < (int)m_groups.size())
            *m_memory = m_groups[current];
        this->StoreTabs();
    }

    void OnTextsChanged() override
    {
        for (size_t i = 0; i < m_groups.size(); ++i)
        {
            char title[ENTITY_NAME_SIZE] = "";
            GetGroupName(m_groups[i], title);
            this->m_host.SetTabText((int)i, title);
        }
        this->RetranslateTabs();
    }

private:
    int* m_memory;
    std::vector<int> m_groups; // the group of each tab

    // The tab's group comes from its position: the tab's item data of group
    // 0 cannot be told from no data.
    static HWND CreateTabPage(int index, LPARAM param)
    {
        CGroupsPage* page = reinterpret_cast<CGroupsPage*>(param);
        if (index < 0 || index >= (int)page->m_groups.size())
            return NULL;
        int g = page->m_groups[index];
        if (!page->m_tabs[g])
            page->m_tabs[g].reset(T::MakeTab(page->m_pRecord, g));
        IBoundTab* tab = page->m_tabs[g].get();
        if (!tab)
            return NULL;
        if (!tab->TabWindow())
            tab->CreateTab(page->m_hWnd);
        return tab->TabWindow();
    }
};

// --- incoming groups ---------------------------------------------------------

// A group served by GSM modules: how a call is answered and passed on.
class CInGroupGsmTab : public CGroupTab<CInGroupGsmTab>
{
public:
    enum { IDD = IDD_IN_GROUP_GSM };
    CInGroupGsmTab(ConfigRecord* record, int group) : CGroupTab<CInGroupGsmTab>(record, group) {}
    static const FieldTable kFields;
    static const FieldTable kPart2Fields;
    void OnLanguageChanged() override;
    void OwnWrites(std::vector<ByteRun>& runs) const override;

    BEGIN_MSG_MAP(CInGroupGsmTab)
        CHAIN_MSG_MAP(CBoundTab<CInGroupGsmTab>)
        COMMAND_HANDLER(IDC_INGRP_MODE, CBN_SELCHANGE, OnModeChanged)
        COMMAND_RANGE_HANDLER(IDC_INGRP_EXT_ADD, IDC_INGRP_EXT2_ADD + 3, OnExtensionCommand)
    END_MSG_MAP()

protected:
    FieldTables Fields() const override { return { { &kFields, (uint32_t)m_group }, { &kPart2Fields, (uint32_t)m_group } }; }
    void OnBeforeTranslate() override;
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;

private:
    bool m_ddiHidden = false;
    bool m_fraudHidden = false;
    CCharSetEdit m_extEdits[2];
    void FillModes();
    void EnableSecondList();
    LRESULT OnModeChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnExtensionCommand(WORD, WORD id, HWND, BOOL&);
};

// A group served by VoIP cards or SIP trunks: shows who serves it.
class CInGroupVoipTab : public CGroupTab<CInGroupVoipTab>
{
public:
    enum { IDD = IDD_IN_GROUP_VOIP };
    CInGroupVoipTab(ConfigRecord* record, int group) : CGroupTab<CInGroupVoipTab>(record, group) {}
    // Nothing: it only shows who serves the group.
    void OwnWrites(std::vector<ByteRun>&) const override {}
    BEGIN_MSG_MAP(CInGroupVoipTab)
        CHAIN_MSG_MAP(CBoundTab<CInGroupVoipTab>)
    END_MSG_MAP()
protected:
    void OnFilled() override;
};

// A group served by analog lines: the dialling wait, and on lines other than
// subscriber lines also the extension digits, the prefix and the extensions.
class CInGroupAnalogTab : public CGroupTab<CInGroupAnalogTab>
{
public:
    CInGroupAnalogTab(ConfigRecord* record, int group, int cardType);
    // The template follows the card: subscriber lines have one of their own.
    const UINT IDD;
    static const FieldTable kSubscriberFields;
    static const FieldTable kFields;
    void OwnWrites(std::vector<ByteRun>& runs) const override;
    BEGIN_MSG_MAP(CInGroupAnalogTab)
        CHAIN_MSG_MAP(CBoundTab<CInGroupAnalogTab>)
        COMMAND_RANGE_HANDLER(IDC_INGRP_EXT_ADD, IDC_INGRP_EXT_ADD + 3, OnExtensionCommand)
    END_MSG_MAP()
protected:
    FieldTables Fields() const override
    {
        return { { IsSubscriber() ? &kSubscriberFields : &kFields, (uint32_t)m_group } };
    }
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;
private:
    int m_cardType;
    CCharSetEdit m_extEdit;
    bool IsSubscriber() const { return m_cardType == CARD_ANALOG_SUBSCRIBER; }
    LRESULT OnExtensionCommand(WORD, WORD id, HWND, BOOL&);
};

class CInGroupsPage : public CGroupsPage<CInGroupsPage>
{
public:
    enum { IDD = IDD_IN_GROUPS };
    explicit CInGroupsPage(ConfigRecord* record);
    // Bit g set: some module position or SIP trunk has incoming group g.
    static uint32_t GetUsedInGroups(const ConfigRecord* rec) { return UsedInGroupMask(rec); }
    static uint32_t UsedGroups(const ConfigRecord* rec) { return GetUsedInGroups(rec); }
    static IBoundTab* MakeTab(ConfigRecord* rec, int group);
};

// --- outgoing groups ---------------------------------------------------------

class COutGroupGsmTab : public CGroupTab<COutGroupGsmTab>
{
public:
    enum { IDD = IDD_OUT_GROUP_GSM };
    COutGroupGsmTab(ConfigRecord* record, int group) : CGroupTab<COutGroupGsmTab>(record, group) {}
    static const FieldTable kFields;
    void OwnWrites(std::vector<ByteRun>& runs) const override;
    BEGIN_MSG_MAP(COutGroupGsmTab)
        CHAIN_MSG_MAP(CBoundTab<COutGroupGsmTab>)
    END_MSG_MAP()
protected:
    FieldTables Fields() const override { return { { &kFields, (uint32_t)m_group } }; }
    void OnBeforeTranslate() override;
    void OnFilled() override;
    void OnStored() override;
private:
    bool m_ddiHidden = false;
};

class COutGroupVoipTab : public CGroupTab<COutGroupVoipTab>
{
public:
    enum { IDD = IDD_OUT_GROUP_VOIP };
    COutGroupVoipTab(ConfigRecord* record, int group) : CGroupTab<COutGroupVoipTab>(record, group) {}
    void OwnWrites(std::vector<ByteRun>& runs) const override;
    BEGIN_MSG_MAP(COutGroupVoipTab)
        CHAIN_MSG_MAP(CBoundTab<COutGroupVoipTab>)
    END_MSG_MAP()
protected:
    void OnFilled() override;
    void OnStored() override;
};

// An analog group: from the first or cyclic.
template <int Idd>
class COutGroupAnalogTab : public CGroupTab<COutGroupAnalogTab<Idd>>
{
public:
    enum { IDD = Idd };
    COutGroupAnalogTab(ConfigRecord* record, int group) : CGroupTab<COutGroupAnalogTab<Idd>>(record, group) {}
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(this->m_pRecord, this->m_pRecord->outGroups[this->m_group].selection));
    }
    BEGIN_MSG_MAP(COutGroupAnalogTab)
        CHAIN_MSG_MAP(CBoundTab<COutGroupAnalogTab<Idd>>)
    END_MSG_MAP()
protected:
    void OnFilled() override;
    void OnStored() override;
};

class COutGroupsPage : public CGroupsPage<COutGroupsPage>
{
public:
    enum { IDD = IDD_OUT_GROUPS };
    explicit COutGroupsPage(ConfigRecord* record);
    // Bit g set: some module position (first or second outgoing group) or
    // SIP trunk has outgoing group g.
    static uint32_t GetUsedOutGroups(const ConfigRecord* rec) { return UsedOutGroupMask(rec); }
    static uint32_t UsedGroups(const ConfigRecord* rec) { return GetUsedOutGroups(rec); }
    static IBoundTab* MakeTab(ConfigRecord* rec, int group);
};
