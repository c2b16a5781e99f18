#include "pages/DiagVoipPage.h"
#include "base/TextUtil.h"
#include "wcl/RedrawOff.h"
#include <commctrl.h>

namespace
{
const WORD kFlagD = 0x0002;
const WORD kFlagN = 0x0004;
const WORD kFlagR = 0x0008;
const WORD kNotRegistered = 0x2000;
const WORD kOnline = 0x0001;
const WORD kOffline = 0x0002;
const WORD kMonitorMask = 0x00F0;
const WORD kRegistrationMask = 0x0F00;
enum { kTrunkColumns = 5, kUserColumns = 4, kListTextSize = 260 };

WORD NetworkWord(const BYTE* p)
{
    return (WORD)((p[0] << 8) | p[1]);
}

const char* MonitorResult(WORD state)
{
    switch (state & kMonitorMask)
    {
    case 0x10: return "OK";
    case 0x20: return "LAGGED";
    case 0x30: return "UNREACHABLE";
    default: return "UNKNOWN";
    }
}

const char* Registration(WORD state)
{
    switch (state & kRegistrationMask)
    {
    case 0x100: return "TRYING";
    case 0x200: return "OK";
    case 0x300: return "FAILED";
    default: return "";
    }
}

// Cuts the header text at each "|" into the list's column titles; new
// columns get the widths, existing ones keep theirs.
void SetColumns(HWND list, const char* key, const int* widths, int count, bool create)
{
    char header[kListTextSize] = "";
    g_Language.GetString(key, header, sizeof(header));
    char* title = header;
    for (int i = 0; i < count; ++i)
    {
        char* bar = title ? strchr(title, '|') : nullptr;
        if (bar)
            *bar = '\0';
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | (create ? LVCF_WIDTH : 0);
        col.pszText = title ? title : const_cast<char*>("");
        col.cx = widths ? widths[i] : 0;
        if (create)
            ::SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&col);
        else
            ::SendMessageA(list, LVM_SETCOLUMNA, i, (LPARAM)&col);
        title = bar ? bar + 1 : nullptr;
    }
}

void SetCell(HWND list, int item, int column, const char* text)
{
    LVITEMA lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = const_cast<char*>(text);
    ::SendMessageA(list, LVM_SETITEMTEXTA, item, (LPARAM)&lvi);
}
}

bool FormatVoipRow(const BYTE* row, bool trunk, VoipRowTexts* out)
{
    memset(out, 0, sizeof(*out));
    // The name: at most its field's 23 characters, terminated or not.
    size_t length = 0;
    while (length < sizeof(out->name) - 1 && row[length])
        ++length;
    memcpy(out->name, row, length);
    if (length == 0)
        return false;

    const BYTE* ip = row + 24;
    const WORD port = NetworkWord(row + 28);
    const WORD flags = DiagWord(row + 30);
    const WORD state = DiagWord(row + 32);
    const WORD roundTrip = DiagWord(row + 34);

    if (ip[0] || ip[1] || ip[2] || ip[3])
        FormatText(out->address, sizeof(out->address), "%d.%d.%d.%d:%d", ip[0], ip[1], ip[2], ip[3], port);
    else
        CopyText(out->address, sizeof(out->address), (flags & kNotRegistered) ? "Unregistered" : "Unavailable");

    const char d = (flags & kFlagD) ? 'D' : '-';
    const char n = (flags & kFlagN) ? 'N' : '-';
    if (trunk)
        FormatText(out->flags, sizeof(out->flags), "%c %c %c", d, n, (flags & kFlagR) ? 'R' : '-');
    else
        FormatText(out->flags, sizeof(out->flags), "%c %c", d, n);

    if (!(state & kMonitorMask))
        CopyText(out->monitoring, sizeof(out->monitoring), "UNMONITORED");
    else
        FormatText(out->monitoring, sizeof(out->monitoring), "%s%s",
                   (state & kOnline) ? "ONLINE, " : (state & kOffline) ? "OFFLINE, " : "", MonitorResult(state));
    if (roundTrip)
    {
        char suffix[16];
        FormatText(suffix, sizeof(suffix), " (%d ms)", roundTrip);
        AppendText(out->monitoring, sizeof(out->monitoring), suffix);
    }
    if (trunk)
        CopyText(out->registration, sizeof(out->registration), Registration(state));
    return true;
}

void CDiagVoipPage::SetColumnTitles()
{
    SetColumns(GetDlgItem(IDC_DIAG_VOIP_TRUNKS), "strDiagVoipTrunksHeader", nullptr, kTrunkColumns, false);
    SetColumns(GetDlgItem(IDC_DIAG_VOIP_USERS), "strDiagVoipUsersHeader", nullptr, kUserColumns, false);
}

void CDiagVoipPage::OnInitControls()
{
    HWND trunks = GetDlgItem(IDC_DIAG_VOIP_TRUNKS);
    HWND users = GetDlgItem(IDC_DIAG_VOIP_USERS);
    for (HWND list : { trunks, users })
        ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT rc;
    ::GetClientRect(trunks, &rc);
    int w = rc.right;
    const int trunkWidths[kTrunkColumns] = { w / 3, w / 5, w / 10, w / 4, w - w / 3 - w / 5 - w / 10 - w / 4 };
    SetColumns(trunks, "strDiagVoipTrunksHeader", trunkWidths, kTrunkColumns, true);
    ::GetClientRect(users, &rc);
    w = rc.right;
    const int userWidths[kUserColumns] = { w / 3, w / 5, w / 10, w - w / 3 - w / 5 - w / 10 };
    SetColumns(users, "strDiagVoipUsersHeader", userWidths, kUserColumns, true);
}

void CDiagVoipPage::FillList(int listId, const BYTE (*rows)[DiagAnswers::VOIP_ROW_SIZE], int count, bool trunk)
{
    HWND list = GetDlgItem(listId);
    char selected[kListTextSize] = "";
    const int selection = (int)::SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (selection >= 0)
    {
        LVITEMA lvi = {};
        lvi.pszText = selected;
        lvi.cchTextMax = sizeof(selected);
        ::SendMessageA(list, LVM_GETITEMTEXTA, selection, (LPARAM)&lvi);
    }
    const int top = (int)::SendMessageA(list, LVM_GETTOPINDEX, 0, 0);

    {
        CRedrawOff redrawOff(list);
        ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        for (int r = 0; r < count; ++r)
        {
            VoipRowTexts texts;
            if (!FormatVoipRow(rows[r], trunk, &texts))
                break;
            LVITEMA lvi = {};
            lvi.mask = LVIF_TEXT;
            lvi.iItem = r;
            lvi.pszText = texts.name;
            // The list sorts by name: the row lands where its name belongs.
            const int item = (int)::SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&lvi);
            if (item < 0)
                continue;
            SetCell(list, item, 1, texts.address);
            SetCell(list, item, 2, texts.flags);
            SetCell(list, item, 3, texts.monitoring);
            if (trunk)
                SetCell(list, item, 4, texts.registration);
        }
        const int items = (int)::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        if (!m_rowHeight && items > 0)
        {
            RECT rc = { LVIR_BOUNDS, 0, 0, 0 };
            if (::SendMessageA(list, LVM_GETITEMRECT, 0, (LPARAM)&rc))
                m_rowHeight = rc.bottom - rc.top;
        }
        if (top > 0 && m_rowHeight)
            ::SendMessageA(list, LVM_SCROLL, 0, top * m_rowHeight);
        if (selected[0])
        {
            // The same name, exactly (names differ by case too).
            for (int i = 0; i < items; ++i)
            {
                char name[kListTextSize] = "";
                LVITEMA lvi = {};
                lvi.pszText = name;
                lvi.cchTextMax = sizeof(name);
                ::SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&lvi);
                if (strcmp(name, selected) != 0)
                    continue;
                LVITEMA state = {};
                state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                state.state = LVIS_SELECTED | LVIS_FOCUSED;
                ::SendMessageA(list, LVM_SETITEMSTATE, i, (LPARAM)&state);
                ::SendMessageA(list, LVM_ENSUREVISIBLE, i, FALSE);
                break;
            }
        }
    }
    ::InvalidateRect(list, NULL, TRUE);
}

void CDiagVoipPage::OnAnswer(const DiagAnswers& answers, bool)
{
    FillList(IDC_DIAG_VOIP_TRUNKS, answers.voipTrunks, DiagAnswers::VOIP_TRUNK_ROWS, true);
    FillList(IDC_DIAG_VOIP_USERS, answers.voipUsers, DiagAnswers::VOIP_USER_ROWS, false);
}
