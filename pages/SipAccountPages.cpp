#include "pages/SipAccountPages.h"
#include "pages/SipAccountDialogs.h"
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
const Row* CSipAccountListPage<T, Row>::RowAt(int index) const
{
    if (!m_list || index < 0)
        return nullptr;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!ListView_GetItem(m_list, &item))
        return nullptr;
    return reinterpret_cast<const Row*>(item.lParam);
}

template <class T, class Row>
std::vector<std::string> CSipAccountListPage<T, Row>::RowNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < RowCount(); ++i)
    {
        std::string texts[3];
        T::RowTexts(*RowAt(i), texts);
        names.push_back(texts[0]);
    }
    return names;
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::SelectRow(int index)
{
    ListView_SetItemState(m_list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(m_list, index, FALSE);
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::DeleteRow(int index)
{
    const Row* row = RowAt(index);
    if (!row)
        return;
    ListView_DeleteItem(m_list, index);
    m_changed = true;
    for (auto it = m_rows.begin(); it != m_rows.end(); ++it)
        if (it->get() == row)
        {
            m_rows.erase(it);
            break;
        }
}

template <class T, class Row>
int CSipAccountListPage<T, Row>::InsertRow(int index, const Row& row)
{
    m_rows.push_back(std::unique_ptr<Row>(new Row(row)));
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index < 0 ? RowCount() : index;
    item.pszText = const_cast<char*>("");
    item.lParam = reinterpret_cast<LPARAM>(m_rows.back().get());
    int at = (int)::SendMessageA(m_list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (at < 0)
    {
        m_rows.pop_back();
        return -1;
    }
    ShowRowTexts(at);
    return at;
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::ShowRowTexts(int index)
{
    std::string texts[3];
    T::RowTexts(*RowAt(index), texts);
    for (int column = 0; column < 3; ++column)
    {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(texts[column].c_str());
        ::SendMessageA(m_list, LVM_SETITEMTEXTA, index, (LPARAM)&item);
    }
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::SetTexts()
{
    // The column titles come as one text cut at "|".
    char header[260] = "";
    g_Language.GetString(T::HeaderKey(), header, sizeof(header));
    char* titles[3] = { header, nullptr, nullptr };
    for (int i = 1; i < 3; ++i)
    {
        char* bar = titles[i - 1] ? strchr(titles[i - 1], '|') : nullptr;
        if (bar)
        {
            *bar = '\0';
            titles[i] = bar + 1;
        }
    }
    for (int column = 0; column < 3; ++column)
    {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT;
        col.pszText = const_cast<char*>(titles[column] ? titles[column] : "");
        ::SendMessageA(m_list, LVM_SETCOLUMNA, column, (LPARAM)&col);
    }
    AppendEllipsis(this->GetDlgItem(IDC_VOIPLIST_ADD));
    AppendEllipsis(this->GetDlgItem(IDC_VOIPLIST_CHANGE));
}

template <class T, class Row>
void CSipAccountListPage<T, Row>::OnInitControls()
{
    m_list = this->GetDlgItem(IDC_VOIPLIST_LIST);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT);
    RECT rc = { 0, 0, 0, 0 };
    ::GetClientRect(m_list, &rc);
    int width = rc.right - rc.left;
    const int widths[3] = { width / 4, width / 3, width - width / 4 - width / 3 };
    for (int column = 0; column < 3; ++column)
    {
        LVCOLUMNA col = {};
        col.mask = LVCF_WIDTH | LVCF_TEXT;
        col.cx = widths[column];
        col.pszText = const_cast<char*>("");
        ::SendMessageA(m_list, LVM_INSERTCOLUMNA, column, (LPARAM)&col);
    }
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
    if (!RowsChanged())
        return;
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
    if (RowCount() >= (int)CFG_SIP_USER_COUNT || InsertRow(SortedPlace(user), user) < 0)
        return false;
    m_changed = true;
    return true;
}

void CVoipUsersPage::ReplaceUser(int index, const SipAccount& user)
{
    DeleteRow(index);
    m_changed = true;
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
    if (!RowsChanged())
        return;
    std::vector<const SipTrunkRow*> trunks;
    for (int i = 0; i < RowCount(); ++i)
        trunks.push_back(RowAt(i));
    WriteSipTrunks(m_pRecord, trunks.data(), trunks.size());
}

bool CVoipTrunksPage::AddTrunk(const SipTrunkRow& trunk)
{
    if (RowCount() >= (int)CFG_SIP_TRUNK_COUNT || InsertRow(-1, trunk) < 0)
        return false;
    m_changed = true;
    return true;
}

void CVoipTrunksPage::ReplaceTrunk(int index, const SipTrunkRow& trunk)
{
    SipTrunkRow* row = MutableRowAt(index);
    if (!row)
        return;
    *row = trunk;
    m_changed = true;
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
