#include <gtest/gtest.h>
#include "base/Language.h"
#include "base/PathSettings.h"
#include "base/TextUtil.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/StrayDialogCloser.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestLanguage.h"
#include <string>

// The open-file dialogs of the firmware and announcement commands, answered
// as a user would: the chosen path comes back cut to the caller's buffer, and
// its folder and the filter become the next dialog's starting point.

using namespace enginetest;

namespace
{
struct Answer
{
    std::string path; // typed into the file name box; empty: Cancel
    std::string title;
};

void AnswerFileDialog(HWND dlg, void* context)
{
    Answer* answer = static_cast<Answer*>(context);
    char text[MAX_PATH] = "";
    ::GetWindowTextA(dlg, text, sizeof(text));
    answer->title = text;
    if (answer->path.empty())
    {
        ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    ::SendMessageA(dlg, CDM_SETCONTROLTEXT, edt1, (LPARAM)answer->path.c_str());
    ::SendMessageA(dlg, CDM_SETCONTROLTEXT, cmb13, (LPARAM)answer->path.c_str());
    ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

std::string FullPath(const char* relative)
{
    char full[MAX_PATH] = "";
    ::GetFullPathNameA(relative, sizeof(full), full, nullptr);
    return full;
}

class ServiceFileDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_language.WriteLanguage("strFlashOpenFile=Pick a firmware image\n"
                                             "strFlashFilter=Firmware (*.lmf)|*.lmf|Everything|*.*|\n"));
        ASSERT_TRUE(m_language.Select());
        ::CreateDirectoryA("svc_dialog", nullptr);
        WriteWholeFile("svc_dialog\\image.lmf", std::string());
        m_folder = FullPath("svc_dialog");
        m_file = FullPath("svc_dialog\\image.lmf");
        m_saved = g_PathSettings;
        g_PathSettings.OpenSaveFilterCode = 2;
    }

    void TearDown() override
    {
        g_PathSettings = m_saved;
        ::DeleteFileA("svc_dialog\\image.lmf");
        ::RemoveDirectoryA("svc_dialog");
    }

    CTestLanguage m_language;
    std::string m_folder, m_file;
    CPathSettings m_saved;
    Harness h{ false };
};

TEST_F(ServiceFileDialogTest, ChosenFirmwareFileComesBackWithItsFolderAndFilter)
{
    // Only the name is typed: the dialog must have opened in the folder
    // where the last one left off.
    CopyText(g_PathSettings.BrowsePathCode, sizeof(g_PathSettings.BrowsePathCode), m_folder.c_str());
    Answer answer{ "image.lmf", "" };
    char path[MAX_PATH] = "";
    {
        CStrayDialogCloser net; // a "file not found" box would end the test
        CModalDialogAnswerer answerer(&AnswerFileDialog, &answer);
        EXPECT_EQ(1, h.engine.SelectFirmwareFile(path, sizeof(path)));
        EXPECT_EQ(0, net.Count());
        EXPECT_EQ(1, answerer.Answered());
        EXPECT_EQ(0, answerer.Overdue());
    }
    EXPECT_EQ("Pick a firmware image", answer.title);
    EXPECT_STREQ(m_file.c_str(), path);
    EXPECT_EQ(m_folder + "\\", g_PathSettings.BrowsePathCode); // kept with its backslash, as every folder
    EXPECT_EQ(2u, g_PathSettings.OpenSaveFilterCode);
}

}
