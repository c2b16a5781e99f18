#include "pages/AnalogPages.h"

namespace
{
constexpr uint8_t kMetering12kHz = 0x10;  // FXS word and FXO word A
constexpr uint8_t kPulseDialling = 0x01;  // FXO word A
constexpr uint8_t kWaitDialTone = 0x02;
constexpr uint32_t kFxsWordBits = kMetering12kHz;
constexpr uint32_t kFxoWordABits = kPulseDialling | kWaitDialTone | kMetering12kHz;
constexpr uint8_t kBusyToneStart = 0x02;  // FXO word B
constexpr uint8_t kReversalStart = 0x04;
constexpr uint8_t kBusyToneInbound = 0x08;
constexpr uint8_t kBusyToneOutbound = 0x10;
constexpr uint8_t kLoopCurrentEnd = 0x20;
constexpr uint8_t kReversalEnd = 0x80;
constexpr uint32_t kFxoWordBBits =
    kBusyToneStart | kReversalStart | kBusyToneInbound | kBusyToneOutbound | kLoopCurrentEnd | kReversalEnd;
constexpr int kFlashUnit = 5;
constexpr int kFlashMinimum = 40;
constexpr int kFlashMaximum = 255 * kFlashUnit;

#define ANALOG(member) offsetof(ConfigRecord, analogCommon.member)
const FieldChoice kFxsMetering[] = {
    { kMetering12kHz, nullptr, nullptr, IDC_FXS_METERING_12KHZ },
    { 0, nullptr, nullptr, IDC_FXS_METERING_16KHZ },
};
const FieldBinding kFxsFields[] = {
    Field::Radio(ANALOG(fxsWord), kFxsMetering, kMetering12kHz),
};

const FieldChoice kFxoDialling[] = {
    { kPulseDialling, nullptr, nullptr, IDC_FXO_DIALING_PULSE },
    { 0, nullptr, nullptr, IDC_FXO_DIALING_DTMF },
};
const FieldChoice kFxoMetering[] = {
    { kMetering12kHz, nullptr, nullptr, IDC_FXO_METERING_12KHZ },
    { 0, nullptr, nullptr, IDC_FXO_METERING_16KHZ },
};
const FieldBinding kFxoFields[] = {
    Field::Radio(ANALOG(fxoWordA), kFxoDialling, kPulseDialling, FB_SHARED),
    Field::Bit(IDC_FXO_WAIT_DIALTONE, ANALOG(fxoWordA), kWaitDialTone),
    Field::Radio(ANALOG(fxoWordA), kFxoMetering, kMetering12kHz, FB_SHARED),
    Field::Number(IDC_FXO_WAIT_DIALTONE_TIME, ANALOG(waitDialToneTime), 1, 1, 30, 0, FB_NO_DEFAULT),
    Field::Bit(IDC_FXO_BUSY_START, ANALOG(fxoWordB), kBusyToneStart),
    Field::Number(IDC_FXO_BUSY_START_TIME, ANALOG(busyDetectStart), 1, 1, 30, 0, FB_NO_DEFAULT),
    Field::Bit(IDC_FXO_REVERSAL_START, ANALOG(fxoWordB), kReversalStart),
    Field::Bit(IDC_FXO_BUSY_INBOUND, ANALOG(fxoWordB), kBusyToneInbound),
    Field::Bit(IDC_FXO_BUSY_OUTBOUND, ANALOG(fxoWordB), kBusyToneOutbound),
    Field::Number(IDC_FXO_MIN_BUSY_LENGTH, ANALOG(busyMinLengthEnd), 1, 2, 20, 0, FB_NO_DEFAULT),
    Field::Bit(IDC_FXO_LOOP_CURRENT, ANALOG(fxoWordB), kLoopCurrentEnd),
    Field::Bit(IDC_FXO_REVERSAL_END, ANALOG(fxoWordB), kReversalEnd),
};
#undef ANALOG
}

const FieldTable CAnalogFxsPage::kFields = MakeFieldTable(kFxsFields);
const FieldTable CAnalogFxoPage::kFields = MakeFieldTable(kFxoFields);

int RoundFlashLength(int milliseconds)
{
    return milliseconds - milliseconds % kFlashUnit;
}

uint8_t FlashLengthCode(int milliseconds)
{
    return (uint8_t)(milliseconds / kFlashUnit);
}

void CAnalogFxsPage::OnStored()
{
    // The word is made from 0 and the page's bit: the device reads every
    // other bit as 0.
    m_pRecord->analogCommon.fxsWord &= kFxsWordBits;
}

void CAnalogFxoPage::OnInitControls()
{
    m_flashLength.SubclassWindow(GetDlgItem(IDC_FXO_FLASH_LENGTH));
    m_flashLength.SetRange(kFlashMinimum, kFlashMaximum, CNumericEdit::kNoDefault);
    m_flashLength.SetValue(m_pRecord->analogCommon.fxoFlashLength * kFlashUnit);
}

void CAnalogFxoPage::OnStored()
{
    // Both words are made from 0 and the page's bits, which the bindings
    // have just written.
    AnalogCommonSettings& a = m_pRecord->analogCommon;
    a.fxoWordA &= kFxoWordABits;
    a.fxoWordB &= kFxoWordBBits;
    a.fxoFlashLength = FlashLengthCode(m_flashLength.GetValue());
}

LRESULT CAnalogFxoPage::OnFlashLengthLeft(WORD, WORD, HWND, BOOL&)
{
    int value = m_flashLength.GetValue();
    int rounded = RoundFlashLength(value);
    if (rounded != value)
        m_flashLength.SetValue(rounded);
    return 0;
}
