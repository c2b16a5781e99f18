#include "pages/DiagIsdnPages.h"
#include "base/TextUtil.h"

namespace
{
const WORD kStatusNotValid = 0x8000;
// The status bit of each lamp row; the last row is the SDI lamp.
const WORD kLampBits[kLineLampRows] = { 0x80, 0x40, 0x20, 0x10, 0x08, 0x02, 0x01 };
const int kSdiRow = kLineLampRows - 1;

int LampControl(int link, int row)
{
    return IDC_DIAG_LINE_LAMP + kLineLampRows * link + row;
}

HICON LoadLamp(int id)
{
    return (HICON)::LoadImageA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0);
}
}

void FormatCreditPair(DWORD first, DWORD second, char* out, size_t size)
{
    if (first == 0 && second == 0)
        FormatText(out, size, "0 / 0");
    else
        FormatText(out, size, "%lu:%02lu / %lu:%02lu", (unsigned long)(first / 60), (unsigned long)(first % 60),
                   (unsigned long)(second / 60), (unsigned long)(second % 60));
}

LineLamp LineLampOf(WORD status, int row)
{
    if (row < 0 || row >= kLineLampRows || (status & kStatusNotValid) || !(status & kLampBits[row]))
        return LAMP_OFF;
    return row == kSdiRow ? LAMP_SDI : LAMP_ALARM;
}

CDiagIsdnLinesPage::CDiagIsdnLinesPage(const DiagNode& node, IDiagEngine& engine)
    : CDiagPage<CDiagIsdnLinesPage>(node, engine), m_alarm(NULL), m_sdi(NULL)
{
}

CDiagIsdnLinesPage::~CDiagIsdnLinesPage()
{
    if (m_alarm)
        ::DestroyIcon(m_alarm);
    if (m_sdi)
        ::DestroyIcon(m_sdi);
}

void CDiagIsdnLinesPage::OnInitControls()
{
    m_alarm = LoadLamp(IDI_DIAG_LAMP_ALARM);
    m_sdi = LoadLamp(IDI_DIAG_LAMP_SDI);
}

void CDiagIsdnLinesPage::OnAnswer(const DiagAnswers& answers, bool)
{
    for (int link = 0; link < kIsdnLinks; ++link)
    {
        WORD status = DiagWord(answers.isdnLines + 2 * link);
        for (int row = 0; row < kLineLampRows; ++row)
        {
            LineLamp lamp = LineLampOf(status, row);
            HICON icon = lamp == LAMP_ALARM ? m_alarm : lamp == LAMP_SDI ? m_sdi : NULL;
            HWND wnd = ::GetDlgItem(m_hWnd, LampControl(link, row));
            if ((HICON)::SendMessageA(wnd, STM_GETICON, 0, 0) != icon)
                ::SendMessageA(wnd, STM_SETICON, (WPARAM)icon, 0);
        }
    }
}

LineLamp CDiagIsdnLinesPage::ShownLamp(int link, int row) const
{
    HICON icon = (HICON)::SendDlgItemMessageA(m_hWnd, LampControl(link, row), STM_GETICON, 0, 0);
    return icon && icon == m_alarm ? LAMP_ALARM : icon && icon == m_sdi ? LAMP_SDI : LAMP_OFF;
}

void CDiagIsdnCreditPage::SetLinkLabels()
{
    for (int link = 0; link < kIsdnLinks; ++link)
    {
        char key[32];
        char text[kDiagLabelSize];
        FormatText(key, sizeof(key), "strDiagIsdnLink%d", link);
        g_Language.GetString(key, text, sizeof(text) - 1);
        AppendText(text, sizeof(text), ":");
        ::SetDlgItemTextA(m_hWnd, IDC_DIAG_CREDIT_LABEL + 4 * link, text);
    }
}

void CDiagIsdnCreditPage::OnAnswer(const DiagAnswers& answers, bool)
{
    for (int link = 0; link < kIsdnLinks; ++link)
    {
        for (int counter = 0; counter < 3; ++counter)
        {
            const BYTE* pair = answers.isdnCredit[link] + 8 * counter;
            char text[64];
            FormatCreditPair(DiagDword(pair), DiagDword(pair + 4), text, sizeof(text));
            ::SetDlgItemTextA(m_hWnd, IDC_DIAG_CREDIT_LABEL + 4 * link + 1 + counter, text);
        }
    }
}
