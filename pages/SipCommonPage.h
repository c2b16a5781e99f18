#pragma once
#include "pages/ConfigPage.h"
#include "res/VoipPagesIds.h"

// The SIP settings common to every SIP account of the VoIP module: transport
// and port, registration expiry range, DSCP classes, RTP ports, two options
// and NAT traversal. Zero and inconsistent values are put right on Store
// instead of being refused.
class CVoipCommonPage : public CConfigPage<CVoipCommonPage>
{
public:
    enum { IDD = IDD_VOIP_COMMON };
    explicit CVoipCommonPage(ConfigRecord* record) : CConfigPage<CVoipCommonPage>(record, &kFields) {}

    static const FieldTable kFields;
    void OwnWrites(std::vector<ByteRun>& runs) const override;

    BEGIN_MSG_MAP(CVoipCommonPage)
        CHAIN_MSG_MAP(CConfigPage<CVoipCommonPage>)
        COMMAND_RANGE_HANDLER(IDC_VOIPCOM_NAT_NONE, IDC_VOIPCOM_NAT_STUN, OnNatClicked)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;

private:
    void EnableNatEdits(int mode);
    LRESULT OnNatClicked(WORD, WORD, HWND, BOOL&);
};

// The DSCP classes with their code points, in the order the lists show them.
extern const FieldChoice g_DscpChoices[21];

// Puts right what the device cannot use: zero values take their defaults,
// an expiry range upside down is reset, an RTP range upside down is turned
// round, and a NAT mode without its address is off.
void CorrectSipCommonSettings(SipCommonSettings* sip);
