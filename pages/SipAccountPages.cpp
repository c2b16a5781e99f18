#include "pages/SipAccountPages.h"
#include "pages/SipAccountDialogs.h"
#include "pages/ListViewRows.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
// A text field of a record, read bounded by its field.
template <size_t N>
std::string FieldString(const char (&field)[N])
{
    size_t n = 0;
    while (n < N && field[n] != '\0')
        ++n;
    return std::string(field, n);
}

// The third column: where the account is reached.
std::string AddressText(const SipAccount& account)
{
    char text[260] = "";
    if (account.accountFlags & SAF_DYNAMIC)
        g_Language.GetString("strVoipAccountDynamic", text, sizeof(text));
    else
        FormatText(text, sizeof(text), "%s:%d", FieldString(account.host).c_str(), account.port);
    return text;
}

// The text of a button that opens a dialog ends in "...".
void AppendEllipsis(HWND button)
{
    char text[260] = "";
    ::GetWindowTextA(button, text, sizeof(text) - 4);
    AppendText(text, sizeof(text), "...");
    ::SetWindowTextA(button, text);
}
} // namespace

// --- the list ---------------------------------------------------------------------

template <class T, class Row>
std::vector<std::string> CSipAccountListPage<T, Row>::RowNames() const
{
    std::vector<std::string> names;
    for (const auto& row : m_rows)
    {
        std::string texts[3];
        T::RowTexts(*row, texts);
        names.push_back(texts[0]);
    }
    return names;
}

template <class T, class Row>
int CSipAccountListPage<T, Row>::SelectedRow() const
{
    return m_list ? SelectedListRow(m_list) : -1;
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::SelectRow(int index)
{
    SelectListRow(m_list, index);
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::DeleteRow(int index)
{
    if (!RowAt(index))
        return;
    ListView_DeleteItem(m_list, index);
    m_rows.erase(m_rows.begin() + index);
}

template <class T, class Row>
int CSipAccountListPage<T, Row>::InsertRow(int index, const Row& row)
{
    if (index < 0 || index > RowCount())
        index = RowCount();
    std::string texts[3];
    T::RowTexts(row, texts);
    const char* columns[3] = { texts[0].c_str(), texts[1].c_str(), texts[2].c_str() };
    int at = InsertListRow(m_list, index, columns, 3);
    if (at < 0)
        return -1;
    m_rows.insert(m_rows.begin() + at, std::unique_ptr<Row>(new Row(row)));
    return at;
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::ShowRowTexts(int index)
{
    std::string texts[3];
    T::RowTexts(*RowAt(index), texts);
    const char* columns[3] = { texts[0].c_str(), texts[1].c_str(), texts[2].c_str() };
    SetListRow(m_list, index, columns, 3);
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::SetTexts()
{
    SetListColumns(m_list, T::HeaderKey(), m_widths, 3);
    AppendEllipsis(this->GetDlgItem(IDC_VOIPLIST_ADD));
    AppendEllipsis(this->GetDlgItem(IDC_VOIPLIST_CHANGE));
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::OnInitControls()
{
    m_list = this->GetDlgItem(IDC_VOIPLIST_LIST);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT);
    int width = ListClientWidth(m_list);
    m_widths[0] = width / 4;
    m_widths[1] = width / 3;
    m_widths[2] = width - m_widths[0] - m_widths[1];
    SetTexts();
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::OnTextsChanged()
{
    SetTexts();
    for (int i = 0; i < RowCount(); ++i)
        ShowRowTexts(i);
}

template class CSipAccountListPage<CVoipUsersPage, SipAccount>;
template class CSipAccountListPage<CVoipTrunksPage, SipTrunkRow>;

// --- users ------------------------------------------------------------------------

void CVoipUsersPage::RowTexts(const SipAccount& user, std::string texts[3])
{
    texts[0] = FieldString(user.user);
    texts[1] = FieldString(user.displayName);
    texts[2] = AddressText(user);
}

void CVoipUsersPage::OnInitControls()
{
    CSipAccountListPage::OnInitControls();
    size_t count = CountSipAccounts(m_pRecord->sipUsers, CFG_SIP_USER_COUNT);
    for (size_t i = 0; i < count; ++i)
        InsertRow(SortedPlace(m_pRecord->sipUsers[i]), m_pRecord->sipUsers[i]);
}

void CVoipUsersPage::OnStored()
{
    std::vector<const SipAccount*> users;
    for (int i = 0; i < RowCount(); ++i)
        users.push_back(RowAt(i));
    WriteSipUsers(m_pRecord, users.data(), users.size());
}

int CVoipUsersPage::SortedPlace(const SipAccount& user) const
{
    std::string extension = FieldString(user.user);
    int i = 0;
    while (i < RowCount() && ::lstrcmpA(FieldString(RowAt(i)->user).c_str(), extension.c_str()) < 0)
        ++i;
    return i;
}

bool CVoipUsersPage::AddUser(const SipAccount& user)
{
    return RowCount() < (int)CFG_SIP_USER_COUNT && InsertRow(SortedPlace(user), user) >= 0;
}

void CVoipUsersPage::ReplaceUser(int index, const SipAccount& user)
{
    DeleteRow(index);
    int at = InsertRow(SortedPlace(user), user);
    if (at >= 0)
        SelectRow(at);
}

void CVoipUsersPage::Add()
{
    if (RowCount() >= (int)CFG_SIP_USER_COUNT)
        return;
    SipAccount user;
    SetNewUserAccount(&user);
    CVoipUserDlg dlg(user, -1, RowNames());
    if (dlg.DoModal(m_hWnd) == IDOK)
        AddUser(dlg.Account());
}

void CVoipUsersPage::Change()
{
    int index = SelectedRow();
    const SipAccount* user = RowAt(index);
    if (!user)
        return;
    CVoipUserDlg dlg(*user, index, RowNames());
    if (dlg.DoModal(m_hWnd) == IDOK)
        ReplaceUser(index, dlg.Account());
}

// --- trunks -----------------------------------------------------------------------

void CVoipTrunksPage::RowTexts(const SipTrunkRow& trunk, std::string texts[3])
{
    texts[0] = FieldString(trunk.account.name);
    texts[1] = FieldString(trunk.account.user);
    texts[2] = AddressText(trunk.account);
}

void CVoipTrunksPage::OnInitControls()
{
    CSipAccountListPage::OnInitControls();
    GetGroupsOfferedToTrunks(m_pRecord, m_inOffered, m_outOffered);
    size_t count = CountSipAccounts(m_pRecord->sipTrunks, CFG_SIP_TRUNK_COUNT);
    for (size_t i = 0; i < count; ++i)
    {
        SipTrunkRow trunk;
        ReadSipTrunk(m_pRecord, i, &trunk);
        InsertRow(-1, trunk);
    }
}

void CVoipTrunksPage::OnStored()
{
    std::vector<const SipTrunkRow*> trunks;
    for (int i = 0; i < RowCount(); ++i)
        trunks.push_back(RowAt(i));
    WriteSipTrunks(m_pRecord, trunks.data(), trunks.size());
}

bool CVoipTrunksPage::AddTrunk(const SipTrunkRow& trunk)
{
    return RowCount() < (int)CFG_SIP_TRUNK_COUNT && InsertRow(-1, trunk) >= 0;
}

void CVoipTrunksPage::ReplaceTrunk(int index, const SipTrunkRow& trunk)
{
    SipTrunkRow* row = MutableRowAt(index);
    if (!row)
        return;
    *row = trunk;
    ShowRowTexts(index);
}

bool CVoipTrunksPage::RunTrunkDialog(SipTrunkRow* trunk, int index)
{
    CVoipTrunkDlg dlg(*trunk, index, RowNames(), m_inOffered, m_outOffered);
    if (dlg.DoModal(m_hWnd) != IDOK)
        return false;
    *trunk = dlg.Row();
    return true;
}

void CVoipTrunksPage::Add()
{
    if (RowCount() >= (int)CFG_SIP_TRUNK_COUNT)
        return;
    SipTrunkRow trunk;
    SetNewTrunkRow(&trunk);
    if (RunTrunkDialog(&trunk, -1))
        AddTrunk(trunk);
}

void CVoipTrunksPage::Change()
{
    int index = SelectedRow();
    const SipTrunkRow* row = RowAt(index);
    if (!row)
        return;
    SipTrunkRow trunk = *row;
    if (RunTrunkDialog(&trunk, index))
        ReplaceTrunk(index, trunk);
}
