#pragma once
#include "pages/ConfigPage.h"
#include "res/CardPagesIds.h"

// Which card sits in each of the device's eight card slots. A slot's button
// shows its number and the short name of its card; the list sets the card
// of the selected slot.
class CCardsSelectPage : public CConfigPage<CCardsSelectPage>
{
public:
    enum { IDD = IDD_CARD_SLOTS };
    explicit CCardsSelectPage(ConfigRecord* record) : CConfigPage<CCardsSelectPage>(record) {}

    // The slot records, written whole.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->cardSlots));
    }

    BEGIN_MSG_MAP(CCardsSelectPage)
        CHAIN_MSG_MAP(CConfigPage<CCardsSelectPage>)
        COMMAND_RANGE_HANDLER(IDC_SLOT_FIRST, IDC_SLOT_FIRST + CFG_CARD_SLOT_COUNT - 1, OnSlotClicked)
        COMMAND_HANDLER(IDC_SLOT_TYPE, CBN_SELCHANGE, OnTypeChosen)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnStored() override;
    void OnTextsChanged() override;

private:
    int m_slot = 0;
    uint8_t m_types[CFG_CARD_SLOT_COUNT] = {};

    void FillTypeList();
    void ShowSlotButton(int slot);
    LRESULT OnSlotClicked(WORD, WORD id, HWND, BOOL&);
    LRESULT OnTypeChosen(WORD, WORD, HWND, BOOL&);
};

// The commit of the card slots: a slot whose card type changes loses the
// group assignments of its four module positions, in both copies.
void ClearGroupsOfChangedSlots(ConfigRecord* doc, ConfigRecord* edit);
