// A configuration page that refuses its input stops Save and Upload, and the
// configuration tab comes forward so that the user sees why.
#include "comm/DeviceProtocol.h"
#include "config/DataView.h"
#include "pages/ConfigPage.h"
#include "res/PagesIds.h"
#include "tests/app/FrameTestSupport.h"
#include <commctrl.h>
#include "tests/support/ConfigItemsOverride.h"

namespace
{
// Stands in for any page whose field holds a value it cannot take.
class CRefusingPage : public testsupport::CTestPage<CRefusingPage>
{
public:
    enum { IDD = IDD_TEXT_PAGE };
    static bool s_refuse;
    static int s_stores;
    explicit CRefusingPage(ConfigRecord* rec) : CTestPage<CRefusingPage>(rec) {}
    int Store() override
    {
        ++s_stores;
        return s_refuse ? 0 : 1;
    }
};
bool CRefusingPage::s_refuse = false;
int CRefusingPage::s_stores = 0;

IConfigPage* RefusingPages(const ConfigItem&, ConfigRecord* edit)
{
    return new CRefusingPage(edit);
}

class SaveRefusedByPageTest : public frametest::FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        for (ConfigItem& row : m_items.rows)
            if (row.sections.count)
                row.factory = &RefusingPages;
        m_items.Apply();
        CRefusingPage::s_refuse = false;
        CRefusingPage::s_stores = 0;
        ASSERT_TRUE(OpenFrame());
    }
    void TearDown() override
    {
        CRefusingPage::s_refuse = false;
        m_frame.GetDataView().SetModified(false);
        FrameTest::TearDown();
    }
    testsupport::ScopedConfigItems m_items;
};
}

TEST_F(SaveRefusedByPageTest, RefusedInputStopsSaveAndUploadAndShowsTheConfiguration)
{
    Command(ID_FILE_NEW);
    CDataView& view = m_frame.GetDataView();
    ASSERT_TRUE(view.HasDocument());
    // The alarm page: one whose refusal keeps the user on it.
    HTREEITEM alarm = view.FindItem(14);
    ASSERT_NE((HTREEITEM)NULL, alarm);
    TreeView_SelectItem(view.GetTree(), alarm);
    frametest::PumpFor(50);
    ASSERT_EQ(14, view.GetCurrentId());
    ASSERT_NE((HWND)NULL, view.GetPageWindow());

    CMessageBoxRecorder boxes(IDNO);
    frametest::CDialogScript script; // no dialog is expected
    Command(ID_SERVICE_MONITOR);
    CRefusingPage::s_refuse = true;
    const UINT commands[] = { ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_UPLOAD, ID_FILE_UPLOAD_WITHOUT_NETWORK };
    for (UINT id : commands)
    {
        SCOPED_TRACE(id);
        ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabMonitorLog)));
        const int storesBefore = CRefusingPage::s_stores;
        Command(id);
        EXPECT_LT(storesBefore, CRefusingPage::s_stores) << "the page was asked";
        EXPECT_EQ(CMainFrame::TabConfiguration, m_frame.GetCurrentTabKind());
        EXPECT_FALSE(m_frame.IsUploadPending());
    }
    frametest::PumpFor(100);
    EXPECT_EQ(0, script.Unexpected()) << "no file dialog, no link question";
    EXPECT_EQ("", frametest::BoxKeys(boxes));
}
