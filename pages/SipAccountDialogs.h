#pragma once
#include "wcl/CenterWindow.h"
#include "pages/FieldBinding.h"
#include "pages/NumericEdit.h"
#include "record/SipAccount.h"
#include "base/Language.h"
#include "res/VoipPagesIds.h"
#include <string>
#include <vector>

// The modal dialogs that edit one SIP account: a user, a trunk, a trunk's
// registrar and proxies, and an account's voice options. Each edits a copy
// and changes it only on OK; its fields are a table over the copy's bytes.
// Accept() is what OK does, so a test can run the dialog modeless from its
// template and call it.


template <class T>
class CSipAccountDialog : public CDialogImpl<T>
{
public:
    // OK's work: checks, then the controls into the copy; false after a
    // message with the focus on the refused control.
    bool Accept()
    {
        T* self = static_cast<T*>(this);
        if (!self->OnValidate())
            return false;
        if (const FieldBinding* refused = m_binder.Store(this->m_hWnd, self->Bytes(), T::kFields))
        {
            Refuse(refused->control, refused->refusalKey);
            return false;
        }
        self->OnStored();
        return true;
    }

    BEGIN_MSG_MAP(CSipAccountDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOk)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

protected:
    CFieldBinder m_binder;

    // Hooks of a dialog beyond its table.
    void OnInitControls() {}
    void OnFilled() {}
    bool OnValidate() { return true; }
    void OnStored() {}

    void Refuse(UINT control, const char* key)
    {
        if (key)
            g_Language.MessageBoxKey(key, "strError", MB_OK | MB_ICONEXCLAMATION);
        HWND c = ::GetDlgItem(this->m_hWnd, (int)control);
        ::SetFocus(c ? c : this->m_hWnd);
    }

    bool IsChecked(int id) const { return ::IsDlgButtonChecked(this->m_hWnd, id) == BST_CHECKED; }
    void Enable(int id, bool on) { ::EnableWindow(::GetDlgItem(this->m_hWnd, id), on ? TRUE : FALSE); }
    std::string ItemText(int id) const;

    // A check box that switches a qualify edit (1-15, default 2) on and off,
    // shown from and stored into bits 12-15 of the account flags.
    void FillQualify(const SipAccount& account, int checkId, int editId);
    void StoreQualify(SipAccount* account, int checkId);

private:
    CNumericEdit m_qualify;

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        T* self = static_cast<T*>(this);
        g_Language.TranslateWindow(this->m_hWnd, false);
        CenterOnOwner(this->m_hWnd);
        self->OnInitControls();
        m_binder.Fill(this->m_hWnd, self->Bytes(), T::kFields);
        self->OnFilled();
        return TRUE;
    }
    LRESULT OnOk(WORD, WORD, HWND, BOOL&)
    {
        if (Accept())
            this->EndDialog(IDOK);
        return 0;
    }
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&)
    {
        this->EndDialog(IDCANCEL);
        return 0;
    }
};

template <class T>
std::string CSipAccountDialog<T>::ItemText(int id) const
{
    char text[260] = "";
    ::GetDlgItemTextA(this->m_hWnd, id, text, sizeof(text));
    text[sizeof(text) - 1] = '\0';
    return text;
}

template <class T>
void CSipAccountDialog<T>::FillQualify(const SipAccount& account, int checkId, int editId)
{
    m_qualify.SubclassWindow(::GetDlgItem(this->m_hWnd, editId));
    m_qualify.SetRange(1, 15, SIP_DEFAULT_QUALIFY);
    int qualify = GetAccountQualify(account);
    ::CheckDlgButton(this->m_hWnd, checkId, qualify ? BST_CHECKED : BST_UNCHECKED);
    m_qualify.SetValue(qualify ? qualify : SIP_DEFAULT_QUALIFY);
    m_qualify.EnableWindow(qualify ? TRUE : FALSE);
}

template <class T>
void CSipAccountDialog<T>::StoreQualify(SipAccount* account, int checkId)
{
    SetAccountQualify(account, IsChecked(checkId) ? m_qualify.GetValue() : 0);
}

// The voice options of an account: echo canceller tail, VAD tuning, jitter
// buffer range and G.723 rate.
class CVoipVoiceAdvancedDlg : public CSipAccountDialog<CVoipVoiceAdvancedDlg>
{
public:
    enum { IDD = IDD_VOIP_VOICE_ADVANCED };
    static const FieldTable kFields;

    explicit CVoipVoiceAdvancedDlg(const SipAccount& account) : m_account(account) {}
    const SipAccount& Account() const { return m_account; }

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(&m_account); }
    void OnInitControls();
    void OnStored();

private:
    SipAccount m_account;
};

// A SIP user: a telephone that registers with the device.
class CVoipUserDlg : public CSipAccountDialog<CVoipUserDlg>
{
public:
    enum { IDD = IDD_VOIP_USER };
    static const FieldTable kFields;

    // extensions: those of all rows; index: the edited row's (-1 for a new one).
    CVoipUserDlg(const SipAccount& account, int index, const std::vector<std::string>& extensions)
        : m_account(account), m_index(index), m_extensions(extensions) {}
    const SipAccount& Account() const { return m_account; }

    BEGIN_MSG_MAP(CVoipUserDlg)
        COMMAND_HANDLER(IDC_VOIPUSER_DYNAMIC, BN_CLICKED, OnDynamicClicked)
        COMMAND_HANDLER(IDC_VOIPUSER_QUALIFY_ON, BN_CLICKED, OnQualifyClicked)
        COMMAND_HANDLER(IDC_VOIPUSER_VOICE_ADVANCED, BN_CLICKED, OnVoiceAdvanced)
        CHAIN_MSG_MAP(CSipAccountDialog<CVoipUserDlg>)
    END_MSG_MAP()

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(&m_account); }
    void OnFilled();
    bool OnValidate();
    void OnStored();

private:
    SipAccount m_account;
    int m_index;
    std::vector<std::string> m_extensions;

    void EnableHost();
    LRESULT OnDynamicClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnQualifyClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnVoiceAdvanced(WORD, WORD, HWND, BOOL&);
};

// A trunk's registrar, registration timing, outbound proxy and From header.
class CVoipTrunkAdvancedDlg : public CSipAccountDialog<CVoipTrunkAdvancedDlg>
{
public:
    enum { IDD = IDD_VOIP_TRUNK_ADVANCED };
    static const FieldTable kFields;

    explicit CVoipTrunkAdvancedDlg(const SipAccount& account) : m_account(account) {}
    const SipAccount& Account() const { return m_account; }

    BEGIN_MSG_MAP(CVoipTrunkAdvancedDlg)
        COMMAND_HANDLER(IDC_VOIPTRADV_REGISTRAR_ON, BN_CLICKED, OnServerClicked)
        COMMAND_HANDLER(IDC_VOIPTRADV_OUTBOUND_ON, BN_CLICKED, OnServerClicked)
        CHAIN_MSG_MAP(CSipAccountDialog<CVoipTrunkAdvancedDlg>)
    END_MSG_MAP()

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(&m_account); }
    void OnFilled();
    void OnStored();

private:
    SipAccount m_account;

    void EnableServers();
    LRESULT OnServerClicked(WORD, WORD, HWND, BOOL&);
};

// A SIP trunk: the device registering with a provider, with the incoming and
// outgoing group it serves.
class CVoipTrunkDlg : public CSipAccountDialog<CVoipTrunkDlg>
{
public:
    enum { IDD = IDD_VOIP_TRUNK };
    static const FieldTable kFields;

    // names: the account names of all rows; index: the edited row's (-1 new);
    // the offered groups: those the group lists show.
    CVoipTrunkDlg(const SipTrunkRow& row, int index, const std::vector<std::string>& names,
                  const bool inOffered[32], const bool outOffered[32]);
    const SipTrunkRow& Row() const { return m_row; }

    BEGIN_MSG_MAP(CVoipTrunkDlg)
        COMMAND_HANDLER(IDC_VOIPTRUNK_DYNAMIC, BN_CLICKED, OnDynamicClicked)
        COMMAND_HANDLER(IDC_VOIPTRUNK_QUALIFY_ON, BN_CLICKED, OnQualifyClicked)
        COMMAND_HANDLER(IDC_VOIPTRUNK_ADVANCED, BN_CLICKED, OnAdvanced)
        COMMAND_HANDLER(IDC_VOIPTRUNK_VOICE_ADVANCED, BN_CLICKED, OnVoiceAdvanced)
        CHAIN_MSG_MAP(CSipAccountDialog<CVoipTrunkDlg>)
    END_MSG_MAP()

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(&m_row); }
    void OnInitControls();
    void OnFilled();
    bool OnValidate();
    void OnStored();

private:
    SipTrunkRow m_row;
    int m_index;
    std::vector<std::string> m_names;
    bool m_inOffered[32];
    bool m_outOffered[32];

    void EnableProxy();
    LRESULT OnDynamicClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnQualifyClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnAdvanced(WORD, WORD, HWND, BOOL&);
    LRESULT OnVoiceAdvanced(WORD, WORD, HWND, BOOL&);
};

// The codec list entries: "none" and the codecs by their codes.
extern const FieldChoice g_CodecChoices[CODEC_COUNT];
