#include <gtest/gtest.h>
#include "base/DiskFile.h"
#include "base/TextUtil.h"
#include "tests/support/TestFiles.h"
#include <string>

namespace
{
class DiskFileTest : public ::testing::Test
{
protected:
    std::string Path(const char* name) const { return m_folder.Path(name); }
    static std::string Contents(const std::string& path) { return ReadWholeFile(path.c_str()); }
    CScratchFolder m_folder;
};
}

TEST_F(DiskFileTest, OpenFlagsChooseDispositionAndAttributes)
{
    std::string path = Path("data.bin");
    CDiskFile file;
    EXPECT_FALSE(file.Open(path.c_str(), 0x10101)) << "existing only on a missing file";
    EXPECT_FALSE(file.IsOpen());
    char stored[MAX_PATH];
    ASSERT_TRUE(file.GetPath(stored, sizeof(stored)));
    EXPECT_EQ(path, stored) << "a failed open keeps the path for the message";

    ASSERT_TRUE(file.Open(path.c_str(), 0x303)); // open or create
    EXPECT_EQ(6u, file.Write("abcdef", 6));
    file.Close();
    EXPECT_FALSE(file.GetPath(nullptr, 0));
    file.GetPath(stored, sizeof(stored));
    EXPECT_STREQ("", stored);

    ASSERT_TRUE(file.Open(path.c_str(), 0x303));
    EXPECT_EQ(6u, file.GetSize()) << "open-or-create keeps the contents";
    ASSERT_TRUE(file.Open(path.c_str(), 0x20002));
    EXPECT_EQ(0u, file.GetSize()) << "create empties an existing file";
    file.Close();

    std::string hidden = Path("monitor.tmp");
    ASSERT_TRUE(file.Open(hidden.c_str(), 0x2020002));
    EXPECT_EQ(3u, file.Write("log", 3));
    file.Close();
    EXPECT_TRUE(::GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(file.Open(hidden.c_str(), 0x2010002)) << "a hidden file reopens with matching flags";
    EXPECT_EQ(3u, file.GetSize());

    // A failed open closes the previous file: it is no longer held exclusively.
    EXPECT_FALSE(file.Open(Path("missing.bin").c_str(), 0x10001));
    EXPECT_FALSE(file.IsOpen());
    HANDLE h = ::CreateFileA(hidden.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, h);
    ::CloseHandle(h);

    // An overlong path fails without touching the file system.
    std::string longPath = Path(std::string(300, 'x').c_str());
    EXPECT_FALSE(file.Open(longPath.c_str(), 0x303));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Open(nullptr, 0x303));
    EXPECT_FALSE(FileExists(longPath.c_str()));
}

TEST_F(DiskFileTest, SeekReadWriteAreByteExact)
{
    std::string path = Path("seek.bin");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 0x303));
    ASSERT_EQ(10u, file.Write("0123456789", 10));
    EXPECT_EQ(10u, file.GetPosition());
    ASSERT_TRUE(file.Seek(4));
    char buf[8] = {};
    EXPECT_EQ(3u, file.Read(buf, 3));
    EXPECT_STREQ("456", buf);
    ASSERT_TRUE(file.SeekRelative(-5));
    EXPECT_EQ(2u, file.GetPosition());
    ASSERT_TRUE(file.SeekToEnd());
    EXPECT_EQ(10u, file.GetPosition());
    EXPECT_EQ(0u, file.Read(buf, 3));
    ASSERT_TRUE(file.SeekToBegin());
    EXPECT_EQ(1u, file.Write("X", 1));
    EXPECT_TRUE(file.Exists());
    file.Close();
    EXPECT_EQ("X123456789", Contents(path));
}

TEST_F(DiskFileTest, SetLengthGrowsWithFillAndShrinks)
{
    std::string path = Path("grow.bin");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 0x303));
    ASSERT_EQ(3u, file.Write("abc", 3));
    ASSERT_TRUE(file.Seek(1));
    ASSERT_TRUE(file.SetLength(3 + 2500, 0x5A)); // two full pieces and a remainder
    EXPECT_EQ(2503u, file.GetSize());
    ASSERT_TRUE(file.SetLength(2503, 0x00));
    EXPECT_EQ(2503u, file.GetSize()) << "equal size leaves the file";
    file.Close();
    EXPECT_EQ("abc" + std::string(2500, 'Z'), Contents(path));

    ASSERT_TRUE(file.Open(path.c_str(), 0x303));
    ASSERT_TRUE(file.SetLength(2, 0));
    file.Close();
    EXPECT_EQ("ab", Contents(path));

    // Read access only: the writes fail, and so does growing.
    ASSERT_TRUE(file.Open(path.c_str(), 0x10001));
    EXPECT_FALSE(file.SetLength(5000, 0));
    EXPECT_EQ(2u, file.GetSize());
}
