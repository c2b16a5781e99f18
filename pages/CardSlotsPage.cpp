#include "pages/CardSlotsPage.h"
#include "record/EntityNames.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
// The cards a slot can be given, in list order; the plain analog card (6)
// is shown when stored but never offered.
const uint8_t kOfferedTypes[] = { CARD_NONE, CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK,
                                  CARD_ANALOG_COMBINED };
}

void CCardsSelectPage::FillTypeList()
{
    HWND list = GetDlgItem(IDC_SLOT_TYPE);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (uint8_t type : kOfferedTypes)
    {
        char name[ENTITY_NAME_SIZE] = "";
        GetCardTypeName(type, name, nullptr);
        // A language without a text for a card has no such card.
        if (type == CARD_NONE || name[0])
            CFieldBinder::AddEntry(list, name, type);
    }
}

void CCardsSelectPage::ShowSlotButton(int slot)
{
    char full[ENTITY_NAME_SIZE] = "";
    char shortName[ENTITY_NAME_SIZE] = "";
    GetCardTypeName(m_types[slot], full, shortName);
    char text[ENTITY_NAME_SIZE + 16];
    if (m_types[slot] != CARD_NONE && full[0])
        FormatText(text, sizeof(text), "%d\n\n\n%s", slot + 1, shortName);
    else
        FormatText(text, sizeof(text), "%d", slot + 1);
    ::SetDlgItemTextA(m_hWnd, IDC_SLOT_FIRST + slot, text);
}

void CCardsSelectPage::OnInitControls()
{
    FillTypeList();
    for (int s = 0; s < (int)CFG_CARD_SLOT_COUNT; ++s)
    {
        // An empty slot is stored as 0 once the page has seen it.
        if (m_pRecord->cardSlots[s].cardType == CARD_NONE_EMPTY)
            m_pRecord->cardSlots[s].cardType = CARD_NONE;
        m_types[s] = m_pRecord->cardSlots[s].cardType;
        ShowSlotButton(s);
    }
    m_slot = 0;
    ::CheckRadioButton(m_hWnd, IDC_SLOT_FIRST, IDC_SLOT_FIRST + CFG_CARD_SLOT_COUNT - 1, IDC_SLOT_FIRST);
    CFieldBinder::SelectByCode(GetDlgItem(IDC_SLOT_TYPE), m_types[0]);
}

void CCardsSelectPage::OnStored()
{
    // A slot record holds its card type and nothing else the device uses:
    // the rest is written unset.
    memset(m_pRecord->cardSlots, CFG_EMPTY, sizeof(m_pRecord->cardSlots));
    for (int s = 0; s < (int)CFG_CARD_SLOT_COUNT; ++s)
        m_pRecord->cardSlots[s].cardType = m_types[s];
}

void CCardsSelectPage::OnTextsChanged()
{
    // Reselected by the slot's card, not by position: the new language may
    // offer other cards.
    FillTypeList();
    CFieldBinder::SelectByCode(GetDlgItem(IDC_SLOT_TYPE), m_types[m_slot]);
}

LRESULT CCardsSelectPage::OnSlotClicked(WORD, WORD id, HWND, BOOL&)
{
    m_slot = id - IDC_SLOT_FIRST;
    CFieldBinder::SelectByCode(GetDlgItem(IDC_SLOT_TYPE), m_types[m_slot]);
    return 0;
}

LRESULT CCardsSelectPage::OnTypeChosen(WORD, WORD, HWND, BOOL&)
{
    int type = CFieldBinder::SelectedCode(GetDlgItem(IDC_SLOT_TYPE));
    if (type < 0)
        return 0;
    m_types[m_slot] = (uint8_t)type;
    ShowSlotButton(m_slot);
    return 0;
}

void ClearGroupsOfChangedSlots(ConfigRecord* doc, ConfigRecord* edit)
{
    bool changed = false;
    for (uint32_t slot = 0; slot < CFG_CARD_SLOT_COUNT; ++slot)
    {
        if (doc->cardSlots[slot].cardType != edit->cardSlots[slot].cardType)
        {
            memset(&doc->moduleGroups[4 * slot], 0xFF, 4 * sizeof(ModuleGroupAssign));
            changed = true;
        }
    }
    if (changed)
        memcpy(edit->moduleGroups, doc->moduleGroups, sizeof(doc->moduleGroups));
}
