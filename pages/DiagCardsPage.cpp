#include "pages/DiagCardsPage.h"
#include "record/EntityNames.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
const WORD kSecondSim = 0x1000;
const WORD kCmeError = 0x8000;
const int kNoSignal = 255;
const COLORREF kFace = CLR_INVALID; // the system's face colour, read when shown

struct ModuleState
{
    WORD code;
    const char* key;
    COLORREF colour;
};

const ModuleState kModuleStates[] = {
    { 0, "strDiagCardNone", kFace },
    { 1, "strDiagGsmStatusInit", kFace },
    { 2, "strDiagGsmStatusLogout", STATE_RED },
    { 4, "strDiagGsmStatusNone", kFace },
    { 15, "strDiagGsmStatusUnauthorized", STATE_RED },
    { 16, "strDiagGsmStatusIdle", STATE_GREEN },
    { 17, "strDiagGsmStatusOutCall", STATE_YELLOW },
    { 40, "strDiagGsmStatusOutCall", STATE_YELLOW },
    { 56, "strDiagGsmStatusOutCall", STATE_YELLOW },
    { 18, "strDiagGsmStatusInCall", STATE_BLUE },
    { 41, "strDiagGsmStatusInCall", STATE_BLUE },
    { 57, "strDiagGsmStatusInCall", STATE_BLUE },
    { 20, "strDiagGsmStatusSms", STATE_MAGENTA },
    { 26, "strDiagGsmStatusActiveOutCall", STATE_YELLOW },
    { 42, "strDiagGsmStatusActiveOutCall", STATE_YELLOW },
    { 58, "strDiagGsmStatusActiveOutCall", STATE_YELLOW },
    { 27, "strDiagGsmStatusActiveInCall", STATE_BLUE },
    { 43, "strDiagGsmStatusActiveInCall", STATE_BLUE },
    { 59, "strDiagGsmStatusActiveInCall", STATE_BLUE },
    { 28, "strDiagGsmStatusDiscReq", STATE_DARK_GREEN },
    { 44, "strDiagGsmStatusDiscReq", STATE_DARK_GREEN },
    { 60, "strDiagGsmStatusDiscReq", STATE_DARK_GREEN },
    { 29, "strDiagGsmStatusDiscInd", STATE_DARK_GREEN },
    { 32, "strDiagVoipStatusNone", kFace },
    { 33, "strDiagVoipStatusInit", kFace },
    { 34, "strDiagVoipStatusDisabled", kFace },
    { 35, "strDiagVoipStatusDisconnected", kFace },
    { 38, "strDiagVoipStatusIdle", STATE_GREEN },
    { 45, "strDiagVoipStatusDiscInd", STATE_DARK_GREEN },
    { 48, "strDiagAnalogStatusNone", kFace },
    { 49, "strDiagAnalogStatusInit", kFace },
    { 50, "strDiagAnalogStatusDisabled", kFace },
    { 54, "strDiagAnalogStatusIdle", STATE_GREEN },
    { 61, "strDiagAnalogStatusDiscInd", STATE_DARK_GREEN },
    { 128, "strDiagGsmStatusNotConfigured", kFace },
    { 227, "strDiagGsmStatusAnotherPin", STATE_RED },
    { 228, "strDiagGsmStatusPinError2", STATE_RED },
    { 229, "strDiagGsmStatusPinRequired", STATE_RED },
    { 230, "strDiagGsmStatusNoSim2Module", STATE_RED },
    { 238, "strDiagGsmStatusAnotherError", STATE_RED },
    { 240, "strDiagGsmStatusNotPresent", STATE_RED },
};

COLORREF Shown(COLORREF colour)
{
    return colour == kFace ? ::GetSysColor(COLOR_BTNFACE) : colour;
}

// The language text of key used as a format with one integer.
void FormatKey(const char* key, int value, char* out, size_t size)
{
    char pattern[ENTITY_NAME_SIZE] = "";
    g_Language.GetString(key, pattern, sizeof(pattern));
    FormatIntPattern(out, size, pattern, value);
}

int StateControl(int module)
{
    return IDC_DIAG_MODULE_STATE + 3 * module;
}

bool IsStateControl(int id)
{
    return id >= IDC_DIAG_MODULE_LABEL && id <= IDC_DIAG_MODULE_LAST && (id - IDC_DIAG_MODULE_LABEL) % 3 == 1;
}
}

COLORREF GetStatusText(WORD code, const char* deviceText, char* out, size_t size)
{
    for (const ModuleState& state : kModuleStates)
    {
        if (state.code != code)
            continue;
        g_Language.GetString(state.key, out, size);
        if (deviceText && *deviceText)
        {
            AppendText(out, size, " - ");
            AppendText(out, size, deviceText);
        }
        return Shown(state.colour);
    }
    if (code >= 224 && code <= 255)
    {
        FormatKey("strDiagGsmStatusError", code, out, size);
        return STATE_RED;
    }
    const int error = code & ~kCmeError;
    if ((code & kCmeError) && error < 1000)
    {
        char key[64];
        FormatText(key, sizeof(key), "strDiagGsmStatusCmeError%d", error);
        char probe[2];
        FormatKey(g_Language.GetString(key, probe, sizeof(probe)) && probe[0] ? key : "strDiagGsmStatusCmeError",
                  error, out, size);
        return STATE_RED;
    }
    FormatKey("strDiagGsmStatusUnknown", code, out, size);
    return Shown(kFace);
}

int GetSignalText(int value, char* out, size_t size)
{
    if (size)
        out[0] = '\0';
    if (value == kNoSignal)
        return 0;
    if (value == 0)
        g_Language.GetString("strDiagGsmSignalMin", out, size);
    else if (value == 31)
        g_Language.GetString("strDiagGsmSignalMax", out, size);
    else if (value > 0 && value < 31)
        FormatText(out, size, "%d dBm", 2 * value - 113);
    else
        g_Language.GetString(value == 99 ? "strDiagGsmSignalNo" : "strDiagGsmSignalUnknown", out, size);
    return value >= 0 && value <= 31 ? 2 * value - 113 : 0;
}

std::vector<std::string> StateTextLines(HDC dc, const char* text, int width)
{
    std::vector<std::string> lines;
    const int length = static_cast<int>(strlen(text));
    int pos = 0;
    while (pos < length)
    {
        int fit = 0;
        SIZE size;
        if (!::GetTextExtentExPointA(dc, text + pos, length - pos, width, &fit, NULL, &size) || fit >= length - pos)
        {
            lines.emplace_back(text + pos);
            break;
        }
        if (fit < 1)
            fit = 1; // a line narrower than one character still shows it
        // The last break between words that keeps the line within its width.
        int space = pos + fit;
        while (space > pos && text[space] != ' ')
            --space;
        int end = pos + fit;
        if (space > pos)
        {
            // The word that does not fit moves to the next line, unless no
            // line could hold it: then it starts on this one.
            int wordEnd = space + 1;
            while (wordEnd < length && text[wordEnd] != ' ')
                ++wordEnd;
            SIZE word = {};
            ::GetTextExtentPoint32A(dc, text + space + 1, wordEnd - space - 1, &word);
            if (word.cx <= width)
                end = space;
        }
        lines.emplace_back(text + pos, text + end);
        // The space a line breaks at is not shown.
        pos = end == space ? end + 1 : end;
    }
    return lines;
}

int CardKindOfState(WORD code)
{
    if (code == 0)
        return CARD_NONE;
    if (code >= 32 && code <= 45)
        return CARD_VOIP;
    if (code >= 48 && code <= 61)
        return CARD_ANALOG;
    return CARD_GSM;
}

CDiagCardsPage::CDiagCardsPage(const DiagNode& node, IDiagEngine& engine)
    : CDiagPage<CDiagCardsPage>(node, engine), m_face(NULL), m_hand(NULL), m_modulesNamed(false)
{
    for (COLORREF& c : m_colours)
        c = ::GetSysColor(COLOR_BTNFACE);
    for (int& kind : m_kinds)
        kind = CARD_NONE;
}

CDiagCardsPage::~CDiagCardsPage()
{
    if (m_face)
        ::DeleteObject(m_face);
}

void CDiagCardsPage::SetCardTitle(int card, bool withKind)
{
    char name[ENTITY_NAME_SIZE] = "";
    GetCardName(card, name);
    if (withKind)
    {
        char kind[ENTITY_NAME_SIZE] = "";
        GetCardTypeName((uint8_t)m_kinds[card], kind, nullptr);
        char title[2 * ENTITY_NAME_SIZE];
        FormatText(title, sizeof(title), "%s - %s", name, kind);
        ::SetDlgItemTextA(m_hWnd, IDC_DIAG_CARD_GROUP + card, title);
    }
    else
    {
        ::SetDlgItemTextA(m_hWnd, IDC_DIAG_CARD_GROUP + card, name);
    }
}

// The positions of an analog card are its lines, named as the configuration
// names them; every other position is a port, or a module after a language
// change.
void CDiagCardsPage::SetCardLabels(int card)
{
    for (int k = 4 * card; k < 4 * card + 4; ++k)
    {
        char label[ENTITY_NAME_SIZE] = "";
        if (m_kinds[card] == CARD_ANALOG)
            GetLineName(k, label);
        else if (m_modulesNamed)
            GetModuleName(k, label);
        else
            GetPortName(k, label);
        AppendText(label, sizeof(label), ":");
        ::SetDlgItemTextA(m_hWnd, IDC_DIAG_MODULE_LABEL + 3 * k, label);
    }
}

void CDiagCardsPage::SetPositionLabels()
{
    for (int c = 0; c < kCards; ++c)
        SetCardLabels(c);
}

void CDiagCardsPage::SetCardCursor(int card, HCURSOR cursor)
{
    for (int k = 4 * card; k < 4 * card + 4; ++k)
        m_cursors[k].SetCursor(cursor);
}

void CDiagCardsPage::OnInitControls()
{
    for (int c = 0; c < kCards; ++c)
        SetCardTitle(c, false);
    m_hand = ::LoadCursor(NULL, IDC_HAND);
    SetPositionLabels();
    for (int k = 0; k < kModules; ++k)
        m_cursors[k].SubclassWindow(::GetDlgItem(m_hWnd, StateControl(k)));
    m_face = ::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE));
}

// Every card is titled with its kind from here on, "none" for a card no
// answer has told yet.
void CDiagCardsPage::OnTextsChanged()
{
    for (int c = 0; c < kCards; ++c)
        SetCardTitle(c, true);
    m_modulesNamed = true;
    SetPositionLabels();
}

void CDiagCardsPage::OnAnswer(const DiagAnswers& answers, bool fromCache)
{
    if (!fromCache)
    {
        for (int c = 0; c < kCards; ++c)
        {
            int kind = CardKindOfState(DiagWord(answers.modules[4 * c]) & ~kSecondSim);
            if (kind == m_kinds[c])
                continue;
            if (kind == CARD_GSM)
                SetCardCursor(c, m_hand);
            else if (m_kinds[c] == CARD_GSM)
                SetCardCursor(c, NULL);
            m_kinds[c] = kind;
            SetCardTitle(c, true);
            SetCardLabels(c);
        }
    }
    for (int k = 0; k < kModules; ++k)
    {
        const BYTE* record = answers.modules[k];
        const WORD word = DiagWord(record);
        const int sim = word == 0 || (word >= 32 && word <= 61) ? 0 : (word & kSecondSim) ? 2 : 1;

        // The device's text: at most its field, terminated or not.
        char deviceText[DiagAnswers::MODULE_RECORD_SIZE - DiagAnswers::MODULE_TEXT_OFFSET] = "";
        const char* src = (const char*)record + DiagAnswers::MODULE_TEXT_OFFSET;
        size_t length = 0;
        while (length < sizeof(deviceText) - 1 && src[length])
            ++length;
        memcpy(deviceText, src, length);
        deviceText[length] = '\0';

        char state[kStateTextSize];
        m_colours[k] = GetStatusText(word & ~kSecondSim, deviceText, state, sizeof(state));
        char shown[kStateTextSize + 2];
        FormatText(shown, sizeof(shown), " %s ", state);
        ::SetDlgItemTextA(m_hWnd, StateControl(k), shown);

        char level[kStateTextSize] = "";
        const int signal = record[DiagAnswers::MODULE_SIGNAL_OFFSET];
        if (signal != kNoSignal)
        {
            char text[kStateTextSize];
            GetSignalText(signal, text, sizeof(text));
            if (sim)
                FormatText(level, sizeof(level), "SIM%d\t%s", sim, text);
            else
                CopyText(level, sizeof(level), text);
        }
        ::SetDlgItemTextA(m_hWnd, StateControl(k) + 1, level);
    }
}

LRESULT CDiagCardsPage::OnCtlColor(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    const int id = ::GetDlgCtrlID((HWND)lParam);
    if (!IsStateControl(id) || !m_face)
    {
        bHandled = FALSE;
        return 0;
    }
    const COLORREF colour = m_colours[(id - IDC_DIAG_MODULE_LABEL) / 3];
    HDC dc = (HDC)wParam;
    ::SetBkColor(dc, colour);
    const bool dark = colour == STATE_RED || colour == STATE_DARK_GREEN || colour == STATE_BLUE;
    ::SetTextColor(dc, dark ? RGB(255, 255, 255) : ::GetSysColor(COLOR_BTNTEXT));
    return (LRESULT)m_face;
}

// The state fields are drawn here, in the colours OnCtlColor gives, so that
// a device text without spaces breaks where the field ends instead of being
// cut at both sides of one centred line.
LRESULT CDiagCardsPage::OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
{
    const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item || item->CtlType != ODT_STATIC || !IsStateControl(static_cast<int>(item->CtlID)))
    {
        bHandled = FALSE;
        return FALSE;
    }
    HDC dc = item->hDC;
    HGDIOBJ oldFont = ::SelectObject(dc, (HFONT)::SendMessageA(item->hwndItem, WM_GETFONT, 0, 0));
    ::SetBkMode(dc, OPAQUE);
    HBRUSH brush = (HBRUSH)::SendMessageA(m_hWnd, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)item->hwndItem);
    ::FillRect(dc, &item->rcItem, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));

    char text[kStateTextSize + 2] = "";
    ::GetWindowTextA(item->hwndItem, text, sizeof(text));
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    RECT line = item->rcItem;
    for (const std::string& shown : StateTextLines(dc, text, item->rcItem.right - item->rcItem.left))
    {
        line.bottom = line.top + metrics.tmHeight;
        ::DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &line,
                    DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        line.top = line.bottom;
        if (line.top >= item->rcItem.bottom)
            break;
    }
    ::SelectObject(dc, oldFont);
    return TRUE;
}

LRESULT CDiagCardsPage::OnStateDoubleClick(WORD, WORD id, HWND, BOOL& bHandled)
{
    if (!IsStateControl(id))
    {
        bHandled = FALSE;
        return 0;
    }
    const int module = (id - IDC_DIAG_MODULE_LABEL) / 3;
    if (m_kinds[module / 4] == CARD_GSM)
        m_engine.GetModuleInfo(module);
    return 0;
}

LRESULT CDiagCardsPage::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    for (CCursorWnd& c : m_cursors)
        c.UnsubclassWindow();
    bHandled = FALSE;
    return 0;
}
