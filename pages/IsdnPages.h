#pragma once
#include "pages/ConfigPage.h"
#include "pages/NumericEdit.h"
#include "pages/CharSetEdit.h"
#include "res/IsdnPagesIds.h"

// The call handling shared by all ISDN links.
class CIsdnCommonPage : public CConfigPage<CIsdnCommonPage>
{
public:
    enum { IDD = IDD_ISDN_COMMON };
    explicit CIsdnCommonPage(ConfigRecord* record) : CConfigPage<CIsdnCommonPage>(record, &kFields) {}

    static const FieldTable kFields;

    void OwnWrites(std::vector<ByteRun>& runs) const override;

    BEGIN_MSG_MAP(CIsdnCommonPage)
        CHAIN_MSG_MAP(CConfigPage<CIsdnCommonPage>)
        COMMAND_HANDLER(IDC_ISDNCOM_ALERTING_DELAY, EN_KILLFOCUS, OnAlertingDelayLeft)
        COMMAND_HANDLER(IDC_ISDNCOM_POOR_SIGNAL, EN_KILLFOCUS, OnThresholdLeft)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;

private:
    CCharSetEdit m_alertingDelay;
    CNumericEdit m_threshold; // dBm

    LRESULT OnAlertingDelayLeft(WORD, WORD, HWND, BOOL&);
    LRESULT OnThresholdLeft(WORD, WORD, HWND, BOOL&);
};

// The ISDN links the device takes its clock from, in order of priority.
class CIsdnSynchroPage : public CConfigPage<CIsdnSynchroPage>
{
public:
    enum { IDD = IDD_ISDN_SYNC };
    explicit CIsdnSynchroPage(ConfigRecord* record) : CConfigPage<CIsdnSynchroPage>(record) {}

    // The order, written whole from its list.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->isdnSyncOrder));
    }

    BEGIN_MSG_MAP(CIsdnSynchroPage)
        CHAIN_MSG_MAP(CConfigPage<CIsdnSynchroPage>)
        COMMAND_ID_HANDLER(IDC_SYNC_ADD, OnAdd)
        COMMAND_ID_HANDLER(IDC_SYNC_REMOVE, OnRemove)
        COMMAND_ID_HANDLER(IDC_SYNC_UP, OnUp)
        COMMAND_ID_HANDLER(IDC_SYNC_DOWN, OnDown)
    END_MSG_MAP()

protected:
    void OnFilled() override;
    void OnStored() override;

private:
    LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
    LRESULT OnRemove(WORD, WORD, HWND, BOOL&);
    LRESULT OnUp(WORD, WORD, HWND, BOOL&);
    LRESULT OnDown(WORD, WORD, HWND, BOOL&);
    void MoveOrderItem(int step);
};

// The alerting delay: 0-15, or 'R'. A typed text holding an 'R' means 'R';
// any other is its number, at most 15; an empty text is 0.
constexpr uint8_t kAlertingDelayR = 'R';
uint8_t ParseAlertingDelay(const char* text);
void FormatAlertingDelay(uint8_t code, char* text, size_t size);

// The poor-signal threshold: codes 0-31 stand for -113 to -51 dBm in steps
// of 2 (0xFF unset shows -113); an even value goes down to the odd one.
int ThresholdDbm(GsmSignalCode code);
int RoundThreshold(int dBm);
GsmSignalCode ThresholdCode(int dBm);

// The clock sources in order of priority: links 0-2; the order ends at the
// first unset byte, and a byte naming no link is skipped.
constexpr int kSyncLinkCount = 3;
constexpr int kSyncOrderSize = (int)sizeof(ConfigRecord::isdnSyncOrder);
int ReadSyncOrder(const uint8_t* order, int links[kSyncOrderSize]);
// Writes at most the order's size of links and the rest unset.
void WriteSyncOrder(const int* links, int count, uint8_t* order);
