#include "pages/AnalogCardPage.h"
#include "pages/GroupFunctions.h"
#include "pages/PageMemories.h"
#include "record/EntityNames.h"

namespace
{
const FieldBinding kLineFields[] = {
    Field::Check(IDC_LINE_DISABLE, offsetof(AnalogLineRec, state), 0xFF, 0xFF, 1),
    Field::Counted(IDC_LINE_NUMBER, offsetof(AnalogLineRec, number), sizeof(AnalogLineRec::number), "0123456789"),
};
const FieldBinding kLineGroupFields[] = {
    Field::OwnList(IDC_GROUP_IN, offsetof(ModuleGroupAssign, inGroup)),
    Field::OwnList(IDC_GROUP_OUT, offsetof(ModuleGroupAssign, outGroup)),
    Field::OwnList(IDC_GROUP_OUT2, offsetof(ModuleGroupAssign, outGroup2)),
};
const UINT kGroupLists[] = { IDC_GROUP_IN, IDC_GROUP_OUT, IDC_GROUP_OUT2 };
const GroupDirection kGroupDirections[] = { GroupDirection::In, GroupDirection::Out, GroupDirection::Out };
}

const FieldTable CAnalogLineTab::kFields =
    MakeFieldTable(kLineFields, CFG_OFS_ANALOG_LINES, sizeof(AnalogLineRec), CFG_ANALOG_LINE_COUNT);
const FieldTable CAnalogLineTab::kGroupFields =
    MakeFieldTable(kLineGroupFields, CFG_OFS_MODULE_GROUPS, sizeof(ModuleGroupAssign), CFG_MODULE_COUNT);

void CAnalogLineTab::OnInitControls()
{
    // A line offers the groups nobody serves and those of lines of its own kind.
    uint8_t kind = GetModuleCardType(m_pRecord, m_line);
    for (int i = 0; i < 3; ++i)
        FillGroupList(Item(kGroupLists[i]), m_pRecord, kGroupDirections[i], kind);
}

void CAnalogLineTab::OnLanguageChanged()
{
    uint8_t kind = GetModuleCardType(m_pRecord, m_line);
    for (int i = 0; i < 3; ++i)
        RefillGroupList(Item(kGroupLists[i]), m_pRecord, kGroupDirections[i], kind);
}

CAnalogCardPage::CAnalogCardPage(ConfigRecord* record, int firstLine)
    : CCardTabsPage<CAnalogCardPage, CAnalogLineTab>(record, firstLine, g_LastAnalogCardTab, &GetLineName)
{
}
