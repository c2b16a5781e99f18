#pragma once
#include "pages/CardTabsPage.h"
#include "pages/BoundTab.h"

class CAnalogCardPage;

// One analog line: whether it is used, its number and its groups.
class CAnalogLineTab : public CBoundTab<CAnalogLineTab>
{
public:
    enum { IDD = IDD_ANALOG_LINE_TAB };
    CAnalogLineTab(CAnalogCardPage*, ConfigRecord* record, int line) : CBoundTab<CAnalogLineTab>(record), m_line(line) {}

    static const FieldTable kFields;      // one AnalogLineRec per line
    static const FieldTable kGroupFields; // one ModuleGroupAssign per line

    void OnLanguageChanged() override;
    // Nothing beyond its tables.
    void OwnWrites(std::vector<ByteRun>&) const override {}

    BEGIN_MSG_MAP(CAnalogLineTab)
        CHAIN_MSG_MAP(CBoundTab<CAnalogLineTab>)
    END_MSG_MAP()

protected:
    FieldTables Fields() const override { return { { &kFields, (uint32_t)m_line }, { &kGroupFields, (uint32_t)m_line } }; }
    void OnInitControls() override;

private:
    int m_line;
};

// The analog card of a slot, one tab per line.
class CAnalogCardPage : public CCardTabsPage<CAnalogCardPage, CAnalogLineTab>
{
public:
    enum { IDD = IDD_ANALOG_CARD };
    CAnalogCardPage(ConfigRecord* record, int firstLine);
};
