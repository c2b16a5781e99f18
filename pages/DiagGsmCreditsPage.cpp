#include "pages/DiagGsmCreditsPage.h"
#include "record/EntityNames.h"
#include "base/TextUtil.h"

namespace
{
int CounterControl(int module, int counter)
{
    return IDC_DIAG_GSM_CREDIT_LABEL + 4 * module + 1 + counter;
}
}

// The cards count from 1 whatever the board offset; the module labels
// follow the channel offset.
void CDiagGsmCreditsPage::SetLabels()
{
    char pattern[ENTITY_NAME_SIZE] = "";
    g_Language.GetString("strDiagGsmCard", pattern, sizeof(pattern));
    for (int c = 0; c < kCards; ++c)
    {
        char title[ENTITY_NAME_SIZE];
        FormatIntPattern(title, sizeof(title), pattern, c + 1);
        ::SetDlgItemTextA(m_hWnd, IDC_DIAG_CARD_GROUP + c, title);
    }
    for (int k = 0; k < kModules; ++k)
    {
        char label[ENTITY_NAME_SIZE] = "";
        GetModuleName(k, label);
        AppendText(label, sizeof(label), ":");
        ::SetDlgItemTextA(m_hWnd, IDC_DIAG_GSM_CREDIT_LABEL + 4 * k, label);
    }
}

void CDiagGsmCreditsPage::OnInitControls()
{
    SetLabels();
}

void CDiagGsmCreditsPage::OnAnswer(const DiagAnswers& answers, bool)
{
    for (int k = 0; k < kModules; ++k)
    {
        for (int j = 0; j < kCounters; ++j)
        {
            char a[64];
            char b[64];
            FormatCreditPair(DiagDword(answers.gsmCreditA[k] + 8 * j), DiagDword(answers.gsmCreditA[k] + 8 * j + 4),
                             a, sizeof(a));
            FormatCreditPair(DiagDword(answers.gsmCreditB[k] + 8 * j), DiagDword(answers.gsmCreditB[k] + 8 * j + 4),
                             b, sizeof(b));
            char text[130];
            FormatText(text, sizeof(text), "%s\n%s", a, b);
            ::SetDlgItemTextA(m_hWnd, CounterControl(k, j), text);
        }
    }
}
