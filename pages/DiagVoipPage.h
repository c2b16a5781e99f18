#pragma once
#include "pages/DiagPage.h"
#include "res/DiagPagesIds.h"

// The texts of one VoIP row as the lists show them.
struct VoipRowTexts
{
    char name[24];          // up to 23 characters
    char address[32];       // "a.b.c.d:port", "Unregistered" or "Unavailable"
    char flags[8];          // "D N R" with "-" for each flag not set (users: "D N")
    char monitoring[48];    // "ONLINE, OK (35 ms)" and the like
    char registration[8];   // trunks: "TRYING", "OK", "FAILED" or empty
};
// The texts of a 36-byte row of the device; false for the empty row that
// ends a table.
bool FormatVoipRow(const BYTE* row, bool trunk, VoipRowTexts* out);

// The VoIP trunks and users with their peers' addresses, flags and
// monitoring states, keeping the user's scroll position and selection
// across refreshes.
class CDiagVoipPage : public CDiagPage<CDiagVoipPage>
{
public:
    enum { IDD = IDD_DIAG_VOIP };

    CDiagVoipPage(const DiagNode& node, IDiagEngine& engine) : CDiagPage<CDiagVoipPage>(node, engine), m_rowHeight(0) {}

    // The users' list widens with the page; the trunks' keeps its size.
    void DefineLayout()
    {
        for (int id : { IDC_DIAG_VOIP_USER_GROUP, IDC_DIAG_VOIP_USERS })
        {
            AttachItemToDialog(id, LE_LEFT);
            AttachItemToDialog(id, LE_RIGHT);
        }
    }

protected:
    void OnInitControls() override;
    void OnTextsChanged() override { SetColumnTitles(); }
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;

private:
    int m_rowHeight; // of a list row in pixels, 0 until first measured

    void SetColumnTitles();
    void FillList(int listId, const BYTE (*rows)[DiagAnswers::VOIP_ROW_SIZE], int count, bool trunk);
};
