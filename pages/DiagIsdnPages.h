#pragma once
#include "pages/DiagPage.h"
#include "res/DiagPagesIds.h"

// What a lamp of the ISDN line states shows.
enum LineLamp
{
    LAMP_OFF,
    LAMP_ALARM,
    LAMP_SDI,
};
enum { kLineLampRows = 7, kIsdnLinks = 3 };
// The lamp of row (LOS, AIS, LFA, RRA, FEC, L2, SDI) for a link's status
// word; a word marked not valid shows every lamp off.
LineLamp LineLampOf(WORD status, int row);

// The alarm states of the three E1 links: seven lamps a link.
class CDiagIsdnLinesPage : public CDiagPage<CDiagIsdnLinesPage>
{
public:
    enum { IDD = IDD_DIAG_ISDN_LINES };
    CDiagIsdnLinesPage(const DiagNode& node, IDiagEngine& engine);
    ~CDiagIsdnLinesPage() override;

    // The lamp a static shows now (tests).
    LineLamp ShownLamp(int link, int row) const;

protected:
    void OnInitControls() override;
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;

private:
    // Loaded once: a static given a new icon drops the old handle unfreed.
    HICON m_alarm;
    HICON m_sdi;
};

// The three credit counters of each E1 link.
class CDiagIsdnCreditPage : public CDiagPage<CDiagIsdnCreditPage>
{
public:
    enum { IDD = IDD_DIAG_ISDN_CREDIT };
    CDiagIsdnCreditPage(const DiagNode& node, IDiagEngine& engine) : CDiagPage<CDiagIsdnCreditPage>(node, engine) {}

protected:
    void OnInitControls() override { SetLinkLabels(); }
    void OnTextsChanged() override { SetLinkLabels(); }
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;

private:
    void SetLinkLabels();
};
