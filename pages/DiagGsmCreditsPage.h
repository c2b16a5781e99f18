#pragma once
#include "pages/DiagPage.h"
#include "res/DiagPagesIds.h"

// The three call-time credit counters of each of the 32 GSM modules, each a
// line of credit table A above a line of table B.
class CDiagGsmCreditsPage : public CDiagPage<CDiagGsmCreditsPage>
{
public:
    enum { IDD = IDD_DIAG_GSM_CREDITS };
    enum { kModules = 32, kCards = 8, kCounters = 3 };

    CDiagGsmCreditsPage(const DiagNode& node, IDiagEngine& engine) : CDiagPage<CDiagGsmCreditsPage>(node, engine) {}

protected:
    void OnInitControls() override;
    void OnTextsChanged() override { SetLabels(); }
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;

private:
    void SetLabels();
};
