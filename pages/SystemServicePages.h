#pragma once
#include "pages/ConfigPage.h"
#include "pages/ServerAddressEdits.h"
#include "pages/CharSetEdit.h"
#include "res/ServicePagesIds.h"

// How the device reports alarms: SMS numbers, an alarm server, e-mail.
class CSystemAlarmPage : public CConfigPage<CSystemAlarmPage>
{
public:
    enum { IDD = IDD_SYSTEM_ALARM };
    explicit CSystemAlarmPage(ConfigRecord* record) : CConfigPage<CSystemAlarmPage>(record, &kFields) {}

    static const FieldTable kFields;
    static constexpr int kMaxNumbers = 5;

    BEGIN_MSG_MAP(CSystemAlarmPage)
        CHAIN_MSG_MAP(CConfigPage<CSystemAlarmPage>)
        COMMAND_HANDLER(IDC_ALARM_NUMBERS, LBN_SELCHANGE, OnNumberSelected)
        COMMAND_ID_HANDLER(IDC_ALARM_ADD, OnAdd)
        COMMAND_ID_HANDLER(IDC_ALARM_CHANGE, OnChange)
        COMMAND_ID_HANDLER(IDC_ALARM_DELETE, OnDelete)
    END_MSG_MAP()

    void OwnWrites(std::vector<ByteRun>& runs) const override;

protected:
    void OnInitControls() override;
    void OnFilled() override;
    bool OnValidate() override;
    void OnStored() override;

private:
    CCharSetEdit m_number;
    CServerAddressEdits m_alarmServer;
    CServerAddressEdits m_smtpServer;

    // The typed number, or false after the missing or duplicate message
    // (except is the list item a change may keep).
    bool TakeNumber(char* number, size_t size, int except);
    void FocusNumber();
    LRESULT OnNumberSelected(WORD, WORD, HWND, BOOL&);
    LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
    LRESULT OnChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
};

// Where the device sends its call detail records, and which calls it records.
class CSystemCdrPage : public CConfigPage<CSystemCdrPage>
{
public:
    enum { IDD = IDD_SYSTEM_CDR };
    explicit CSystemCdrPage(ConfigRecord* record) : CConfigPage<CSystemCdrPage>(record, &kFields) {}

    static const FieldTable kFields;

    void OwnWrites(std::vector<ByteRun>& runs) const override;

protected:
    void OnInitControls() override;
    void OnFilled() override;
    bool OnValidate() override;
    void OnStored() override;

private:
    CServerAddressEdits m_server;
};

// Where and when the device sends its credit reports.
class CSystemCreditPage : public CConfigPage<CSystemCreditPage>
{
public:
    enum { IDD = IDD_SYSTEM_CREDIT };
    explicit CSystemCreditPage(ConfigRecord* record) : CConfigPage<CSystemCreditPage>(record, &kFields) {}

    static const FieldTable kFields;

    void OwnWrites(std::vector<ByteRun>& runs) const override;

protected:
    void OnInitControls() override;
    void OnFilled() override;
    bool OnValidate() override;
    void OnStored() override;

private:
    CServerAddressEdits m_server;
};

// Where the device passes received SMS, and which GSM modules handle them.
class CSystemSmsPage : public CConfigPage<CSystemSmsPage>
{
public:
    enum { IDD = IDD_SYSTEM_SMS };
    explicit CSystemSmsPage(ConfigRecord* record) : CConfigPage<CSystemSmsPage>(record) {}

    static constexpr size_t kTextMax = 160;

    BEGIN_MSG_MAP(CSystemSmsPage)
        CHAIN_MSG_MAP(CConfigPage<CSystemSmsPage>)
        COMMAND_ID_HANDLER(IDC_SMS_SELECT_ALL, OnSelectAll)
        COMMAND_ID_HANDLER(IDC_SMS_DESELECT_ALL, OnDeselectAll)
    END_MSG_MAP()

    void OwnWrites(std::vector<ByteRun>& runs) const override;

protected:
    void OnInitControls() override;
    void OnFilled() override;
    bool OnValidate() override;
    void OnStored() override;

private:
    CServerAddressEdits m_server;

    LRESULT OnSelectAll(WORD, WORD, HWND, BOOL&);
    LRESULT OnDeselectAll(WORD, WORD, HWND, BOOL&);
};

// The HTTP requests the device makes (outgoing) and answers (incoming).
class CSystemHttpPage : public CConfigPage<CSystemHttpPage>
{
public:
    enum { IDD = IDD_SYSTEM_HTTP };
    explicit CSystemHttpPage(ConfigRecord* record) : CConfigPage<CSystemHttpPage>(record, &kFields) {}

    static const FieldTable kFields;
    static constexpr size_t kUrlMax = 128;

    BEGIN_MSG_MAP(CSystemHttpPage)
        CHAIN_MSG_MAP(CConfigPage<CSystemHttpPage>)
        COMMAND_ID_HANDLER(IDC_HTTP_SELECT_ALL, OnSelectAll)
        COMMAND_ID_HANDLER(IDC_HTTP_DESELECT_ALL, OnDeselectAll)
    END_MSG_MAP()

    void OwnWrites(std::vector<ByteRun>& runs) const override;

protected:
    void OnInitControls() override;
    void OnFilled() override;
    bool OnValidate() override;
    void OnStored() override;

private:

    LRESULT OnSelectAll(WORD, WORD, HWND, BOOL&);
    LRESULT OnDeselectAll(WORD, WORD, HWND, BOOL&);
};

// What a request URL typed on the HTTP page means.
enum class RequestUrlCheck
{
    Clear,  // empty or only "http://": no request
    Accept, // "http://host/...?...=NUMBER..."
    Refuse,
};
RequestUrlCheck CheckRequestUrl(const char* text);
