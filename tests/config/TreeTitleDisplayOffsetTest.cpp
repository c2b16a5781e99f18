#include <gtest/gtest.h>
#include "config/DataView.h"
#include "base/AppSettings.h"
#include "tests/support/PageHostWindow.h"
#include "tests/config/DataViewHost.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <string>

// The card slot items of the configuration tree are titled with the card's
// number as the installer counts it: the slot index plus "BoardIndexOffset",
// and the full name of the slot's card type; the other offsets do not apply.
namespace
{
class TreeTitleDisplayOffsetTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    CDataView view;
    CAppSettings saved;
    CTestLanguage lang;

    void SetUp() override
    {
        saved = g_Settings;
        ASSERT_TRUE(lang.WriteLanguage("strDataRoot=Root\r\nstrCard=Slot %d\r\nstrCardNone=No card\r\n"
                                       "strCardGSM=GSM card (GSM)\r\nstrCardAnalog=Analog card (Analog)\r\n"
                                       "strCardUnknown=Unknown card\r\n"));
        ASSERT_TRUE(lang.Select());
        ASSERT_TRUE(testsupport::CreateViewInHost(view, host, 600, 400, false));
    }
    void TearDown() override
    {
        ::DestroyWindow(host);
        g_Settings = saved;
    }

    std::string Title(int id) const { return testsupport::TreeItemTitle(view.GetTree(), view.FindItem(id)); }
};
}

TEST_F(TreeTitleDisplayOffsetTest, CardSlotsCountFromTheBoardOffset)
{
    g_Settings.BoardIndexOffset = 0;
    g_Settings.ChannelIndexOffset = 5;
    g_Settings.GroupIndexOffset = 7;
    ASSERT_TRUE(view.OpenDocument(nullptr));
    EXPECT_EQ("Slot 0 - No card", Title(321));
    EXPECT_EQ("Slot 7 - No card", Title(328));

    // Counting from 1; the titles follow the record's card types.
    g_Settings.BoardIndexOffset = 1;
    ::GetConfigRecord()->cardSlots[0].cardType = CARD_GSM;
    ::GetConfigRecord()->cardSlots[5].cardType = CARD_ANALOG;
    ::GetConfigRecord()->cardSlots[7].cardType = 9;
    view.RetitleItems();
    EXPECT_EQ("Slot 1 - GSM card (GSM)", Title(321));
    EXPECT_EQ("Slot 2 - No card", Title(322));
    EXPECT_EQ("Slot 6 - Analog card (Analog)", Title(326));
    EXPECT_EQ("Slot 8 - Unknown card", Title(328));

    // A tree built anew titles them the same way.
    ASSERT_TRUE(view.CloseDocument());
    ASSERT_TRUE(view.AdoptRecord());
    EXPECT_EQ("Slot 1 - GSM card (GSM)", Title(321));
    EXPECT_EQ("Root", Title(0));
}
