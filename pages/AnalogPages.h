#pragma once
#include "pages/ConfigPage.h"
#include "pages/NumericEdit.h"
#include "res/AnalogPagesIds.h"

// The metering pulses of the subscriber (FXS) lines.
class CAnalogFxsPage : public CConfigPage<CAnalogFxsPage>
{
public:
    enum { IDD = IDD_ANALOG_FXS };
    explicit CAnalogFxsPage(ConfigRecord* record) : CConfigPage<CAnalogFxsPage>(record, &kFields) {}

    // The word, made from 0 and the page's bit.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->analogCommon.fxsWord));
    }

    static const FieldTable kFields;

protected:
    void OnStored() override;
};

// Dialling, seizure, call start and end detection, metering and flash of
// the trunk (FXO) lines.
class CAnalogFxoPage : public CConfigPage<CAnalogFxoPage>
{
public:
    enum { IDD = IDD_ANALOG_FXO };
    explicit CAnalogFxoPage(ConfigRecord* record) : CConfigPage<CAnalogFxoPage>(record, &kFields) {}

    // Both words, made from 0 and the page's bits, and the flash length.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.insert(runs.end(), { RunOf(m_pRecord, m_pRecord->analogCommon.fxoWordA),
                                  RunOf(m_pRecord, m_pRecord->analogCommon.fxoWordB),
                                  RunOf(m_pRecord, m_pRecord->analogCommon.fxoFlashLength) });
    }

    static const FieldTable kFields;

    BEGIN_MSG_MAP(CAnalogFxoPage)
        CHAIN_MSG_MAP(CConfigPage<CAnalogFxoPage>)
        COMMAND_HANDLER(IDC_FXO_FLASH_LENGTH, EN_KILLFOCUS, OnFlashLengthLeft)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnStored() override;

private:
    CNumericEdit m_flashLength; // milliseconds; stored in 5 ms units

    LRESULT OnFlashLengthLeft(WORD, WORD, HWND, BOOL&);
};

// The flash length is kept in 5 ms units: a typed length goes down to a
// multiple of 5, and is stored as its count of units.
int RoundFlashLength(int milliseconds);
uint8_t FlashLengthCode(int milliseconds);
