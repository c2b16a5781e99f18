#pragma once
#include "pages/ConfigPage.h"
#include "res/CardPagesIds.h"

// The VoIP card of a slot: its module's addresses, SIP account and codecs,
// and the groups its channels serve.
class CVoipCardPage : public CConfigPage<CVoipCardPage>
{
public:
    enum { IDD = IDD_VOIP_CARD };
    CVoipCardPage(ConfigRecord* record, int slot) : CConfigPage<CVoipCardPage>(record), m_slot(slot) {}

    void OwnWrites(std::vector<ByteRun>& runs) const override;

    static const FieldTable kFields;      // one VoipModuleRec per slot
    static const FieldTable kGroupFields; // the slot's first module position

protected:
    FieldTables Fields() const override { return { { &kFields, (uint32_t)m_slot }, { &kGroupFields, (uint32_t)m_slot } }; }
    void OnInitControls() override;
    void OnStored() override;
    void OnTextsChanged() override;

private:
    int m_slot;
};
