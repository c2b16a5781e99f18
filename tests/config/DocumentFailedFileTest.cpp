#include "tests/config/DataViewFixture.h"
#include "base/Language.h"
#include "tests/support/MessageBoxRecorder.h"
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

class DocumentFailedFileTest : public DataViewFixture
{
protected:
    std::unique_ptr<ConfigRecord> docBefore{ new ConfigRecord };
    std::unique_ptr<ConfigRecord> editBefore{ new ConfigRecord };

    void TearDown() override
    {
        DataViewFixture::TearDown();
        ::RemoveDirectoryA(PathOf("folder.cfg").c_str());
    }

    // The state a failed operation must leave untouched.
    void Remember()
    {
        memcpy(docBefore.get(), Doc(), sizeof(ConfigRecord));
        memcpy(editBefore.get(), Edit(), sizeof(ConfigRecord));
    }
    void ExpectRecordsUnchanged()
    {
        EXPECT_EQ(0, memcmp(docBefore.get(), Doc(), sizeof(ConfigRecord))) << "document copy";
        EXPECT_EQ(0, memcmp(editBefore.get(), Edit(), sizeof(ConfigRecord))) << "page-edit copy";
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

    // A read-only file, one that another program holds open, and save as
    // over a folder: each refused, the stored path stays.
    const std::string dir = PathOf("folder.cfg");
    ::CreateDirectoryA(dir.c_str(), NULL);
    for (const char* target : { "read-only", "held open", "folder" })
    {
        SCOPED_TRACE(target);
        ::SetFileAttributesA(a.c_str(), target[0] == 'r' ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (target[0] == 'h')
            lock = ::CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        boxes.Clear();
        EXPECT_FALSE(target[0] == 'f' ? view.SaveDocument(dir.c_str()) : view.SaveDocument());
        if (lock != INVALID_HANDLE_VALUE)
            ::CloseHandle(lock);

        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ("strDataSaveError", boxes.Last().key);
        EXPECT_EQ(saved, ReadFileBytes(a));
        EXPECT_EQ(std::vector<std::string>{ "a.cfg" }, folder.Files()) << "a temporary file was left behind";
        EXPECT_TRUE(view.IsModified());
        EXPECT_EQ(a, view.GetPath());
        ExpectRecordsUnchanged();
    }

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
    const std::string dir = PathOf("folder.cfg");
    ::CreateDirectoryA(dir.c_str(), NULL);
    std::string missing = PathOf("missing.cfg");

    struct Case
    {
        std::string path;
        const char* detailKey;
        bool lock;
    } cases[] = {
        { missing, "strDataOpenErrorNoFile", false },
        { dir, "strDataOpenErrorFolder", false },
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
