#include <gtest/gtest.h>
#include "config/DataView.h"
#include "base/Language.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/PageHostWindow.h"
#include "tests/config/DataViewHost.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TreeViewProbe.h"
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// The document side of a save or an open that fails: the user is told, and
// the file on disk, both record copies, the path, the modified flag, the
// tree selection and the page shown are exactly what they were before.
namespace
{
typedef std::vector<uint8_t> Bytes;
using testsupport::Lang;

class DocumentFailedFileTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    CDataView view;
    char dir[MAX_PATH] = "";
    std::unique_ptr<ConfigRecord> docBefore{ new ConfigRecord };
    std::unique_ptr<ConfigRecord> editBefore{ new ConfigRecord };

    void SetUp() override
    {
        ASSERT_TRUE(SelectShippedLanguage());
        ASSERT_TRUE(testsupport::CreateViewInHost(view, host, 900, 600, true));
        testsupport::CreateTempFolder("dff", dir);
    }

    void TearDown() override
    {
        ::DestroyWindow(host);
        for (const std::string& name : Files())
        {
            std::string p = PathOf(name.c_str());
            ::SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(p.c_str());
        }
        ::RemoveDirectoryA(PathOf("folder.cfg").c_str());
        ::RemoveDirectoryA(dir);
    }

    std::string PathOf(const char* name) const { return std::string(dir) + "\\" + name; }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA(PathOf("*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
        {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
        return names;
    }

    uint8_t& DocByte(uint32_t ofs) { return ConfigBytes(::GetConfigRecord())[ofs]; }
    uint8_t& EditByte(uint32_t ofs) { return ConfigBytes(GetPageEditRecord())[ofs]; }
    int SelectedId() const
    {
        HWND tree = view.GetTree();
        return testsupport::TreeItemId(tree, TreeView_GetSelection(tree));
    }

    // The state a failed operation must leave untouched.
    void Remember()
    {
        memcpy(docBefore.get(), ::GetConfigRecord(), sizeof(ConfigRecord));
        memcpy(editBefore.get(), GetPageEditRecord(), sizeof(ConfigRecord));
    }
    void ExpectRecordsUnchanged()
    {
        EXPECT_EQ(0, memcmp(docBefore.get(), ::GetConfigRecord(), sizeof(ConfigRecord))) << "document copy";
        EXPECT_EQ(0, memcmp(editBefore.get(), GetPageEditRecord(), sizeof(ConfigRecord))) << "page-edit copy";
    }
};
}

TEST_F(DocumentFailedFileTest, AFailedSaveKeepsTheOldFileTheDocumentAndItsFlag)
{
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(view.OpenDocument(nullptr));
    std::string a = PathOf("a.cfg");
    DocByte(0x24B) = 9;
    EditByte(0x24B) = 9;
    ASSERT_TRUE(view.SaveDocument(a.c_str()));
    const Bytes saved = ReadFileBytes(a);
    ASSERT_FALSE(saved.empty());

    // A later change, not yet saved.
    DocByte(0x24B) = 10;
    EditByte(0x24B) = 10;
    view.SetModified(true);
    ASSERT_TRUE(view.CommitPage());
    Remember();

    // A read-only file, then one that another program holds open.
    ::SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY);
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round == 0 ? "read-only target" : "target held open");
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (round == 1)
        {
            ::SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_NORMAL);
            lock = ::CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, lock);
        }
        boxes.Clear();
        EXPECT_FALSE(view.SaveDocument());
        if (lock != INVALID_HANDLE_VALUE)
            ::CloseHandle(lock);

        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ("strDataSaveError", boxes.Last().key);
        EXPECT_EQ(Lang("strError"), boxes.Last().caption);
        EXPECT_TRUE(boxes.Last().flags & MB_ICONEXCLAMATION);
        EXPECT_EQ(saved, ReadFileBytes(a));
        EXPECT_EQ(std::vector<std::string>{ "a.cfg" }, Files()) << "a temporary file was left behind";
        EXPECT_TRUE(view.IsModified());
        EXPECT_EQ(a, view.GetPath());
        ExpectRecordsUnchanged();
    }

    // Save as over a folder: refused the same way, the stored path stays.
    std::string folder = PathOf("folder.cfg");
    ::CreateDirectoryA(folder.c_str(), NULL);
    boxes.Clear();
    EXPECT_FALSE(view.SaveDocument(folder.c_str()));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strDataSaveError", boxes.Last().key);
    EXPECT_EQ(a, view.GetPath());
    EXPECT_TRUE(view.IsModified());
    EXPECT_EQ(std::vector<std::string>{ "a.cfg" }, Files());

    // Once the file can be written again, the same save goes through.
    boxes.Clear();
    EXPECT_TRUE(view.SaveDocument());
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_FALSE(view.IsModified());
    EXPECT_NE(saved, ReadFileBytes(a));
}

TEST_F(DocumentFailedFileTest, AFailedOpenLeavesDocumentTreeAndPageAsTheyWere)
{
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(view.OpenDocument(nullptr));
    std::string a = PathOf("a.cfg");
    ASSERT_TRUE(view.SaveDocument(a.c_str()));
    const Bytes good = ReadFileBytes(a);

    // A modified document with item 21 shown.
    DocByte(0x24B) = 5;
    EditByte(0x24B) = 6;
    view.SetModified(true);
    ASSERT_TRUE(TreeView_SelectItem(view.GetTree(), view.FindItem(21)));
    ASSERT_EQ(21, view.GetCurrentId());
    HWND page = view.GetPageWindow();
    ASSERT_TRUE(page);
    Remember();

    std::string cut = PathOf("cut.cfg");
    ASSERT_TRUE(WriteWholeFile(cut, Bytes(good.begin(), good.begin() + 300)));
    std::string empty = PathOf("empty.cfg");
    ASSERT_TRUE(WriteWholeFile(empty, Bytes()));
    std::string folder = PathOf("folder.cfg");
    ::CreateDirectoryA(folder.c_str(), NULL);
    std::string missing = PathOf("missing.cfg");

    struct Case
    {
        std::string path;
        const char* detailKey;
        bool lock;
    } cases[] = {
        { missing, "strDataOpenErrorNoFile", false },
        { folder, "strDataOpenErrorFolder", false },
        { a, "strDataOpenErrorOpen", true },
        { cut, "strDataOpenErrorFormat", false },
        { empty, "strDataOpenErrorFormat", false },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.lock)
        {
            lock = ::CreateFileA(c.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, lock);
        }
        boxes.Clear();
        EXPECT_FALSE(view.OpenDocument(c.path.c_str()));
        if (lock != INVALID_HANDLE_VALUE)
            ::CloseHandle(lock);

        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ("strDataOpenError", boxes.Last().key);
        EXPECT_NE(std::string::npos, boxes.Last().text.find(Lang(c.detailKey)));
        EXPECT_EQ(Lang("strError"), boxes.Last().caption);
        EXPECT_TRUE(boxes.Last().flags & MB_ICONEXCLAMATION);

        ExpectRecordsUnchanged();
        EXPECT_TRUE(view.HasDocument());
        EXPECT_TRUE(view.IsModified());
        EXPECT_EQ(a, view.GetPath());
        EXPECT_EQ(21, view.GetCurrentId());
        EXPECT_EQ(21, SelectedId());
        EXPECT_EQ(page, view.GetPageWindow());
    }
    // Reading never creates a file, and changes none.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(missing.c_str()));
    EXPECT_EQ(good, ReadFileBytes(a));
    EXPECT_EQ(0u, ReadFileBytes(empty).size());
}
