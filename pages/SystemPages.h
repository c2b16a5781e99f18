#pragma once
#include "pages/ConfigPage.h"
#include "res/PagesIds.h"

// The device's identity and basic behaviour.
class CSystemGeneralPage : public CConfigPage<CSystemGeneralPage>
{
public:
    enum { IDD = IDD_SYSTEM_GENERAL };
    explicit CSystemGeneralPage(ConfigRecord* record) : CConfigPage<CSystemGeneralPage>(record, &kFields) {}

    static const FieldTable kFields;

    void OwnWrites(std::vector<ByteRun>& runs) const override;

    BEGIN_MSG_MAP(CSystemGeneralPage)
        CHAIN_MSG_MAP(CConfigPage<CSystemGeneralPage>)
        COMMAND_HANDLER(IDC_SYSGEN_TIME_SYNC, BN_CLICKED, OnTimeSyncClicked)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;

private:
    bool m_toneHidden = false;

    void EnableTimeZone();
    LRESULT OnTimeSyncClicked(WORD, WORD, HWND, BOOL&);
};

// The device's LAN settings.
class CSystemNetworkPage : public CConfigPage<CSystemNetworkPage>
{
public:
    enum { IDD = IDD_SYSTEM_NETWORK };
    explicit CSystemNetworkPage(ConfigRecord* record) : CConfigPage<CSystemNetworkPage>(record, &kFields) {}

    // Nothing beyond its table.
    void OwnWrites(std::vector<ByteRun>&) const override {}

    static const FieldTable kFields;
};

// The entries of the time zone list: UTC-12:00 to UTC+12:00 with their codes.
extern const FieldChoice g_TimeZoneChoices[25];
