#include "record/ConfigDataFile.h"
#include "base/TextUtil.h"
#include "tests/record/DefaultRecord.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

uint32_t U32At(const Bytes& b, size_t ofs)
{
    return b[ofs] | (b[ofs + 1] << 8) | (b[ofs + 2] << 16) | ((uint32_t)b[ofs + 3] << 24);
}
void PutU32(Bytes& b, size_t ofs, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[ofs + i] = (uint8_t)(v >> (8 * i));
}
uint32_t SumOf(const Bytes& b, size_t from, size_t to)
{
    uint32_t sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += b[i];
    return sum;
}
bool Erased(const uint8_t* p, size_t n)
{
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0xFF; });
}

typedef std::unique_ptr<ConfigRecord> RecordPtr;

RecordPtr FilledRecord(uint8_t value)
{
    RecordPtr rec(new ConfigRecord);
    memset(rec.get(), value, sizeof(ConfigRecord));
    return rec;
}

// A record with a few entries in every table: entry i of a table filled with
// the table's byte plus i, its length byte (where it has one) set.
RecordPtr RecordWithTables(int rules, int clips, int clipGsm, int mobility, int trunks, int users)
{
    RecordPtr rec = DefaultRecord();
    const struct { uint32_t ofs, size; int count; uint8_t fill; uint32_t lengthByte; uint8_t length; } tables[] = {
        { CFG_OFS_ROUTING_RULES, 64, rules, 0x20, 4, 5 }, { CFG_OFS_ROUTING_COMPANION, 64, rules, 0x60, 0, 0 },
        { CFG_OFS_LCR_CLIP, 36, clips, 0x30, 0, 3 }, { CFG_OFS_CLIP_GSM, 36, clipGsm, 0x40, 0, 4 },
        { CFG_OFS_MOBILITY, 100, mobility, 0x50, 4, 2 }, { CFG_OFS_SIP_TRUNKS, 768, trunks, 'T', 0, 0 },
        { CFG_OFS_SIP_USERS, 768, users, 'a', 0, 0 },
    };
    for (const auto& t : tables)
    {
        for (int i = 0; i < t.count; ++i)
        {
            uint8_t* e = ConfigBytes(rec.get()) + t.ofs + i * t.size;
            memset(e, t.fill + i, t.size);
            if (t.length)
                e[t.lengthByte] = t.length;
        }
    }
    return rec;
}

class ConfigDataFileTest : public ::testing::Test
{
protected:
    std::string Save(const ConfigRecord* rec, const char* name = "test.cfg")
    {
        std::string path = folder.Path(name);
        CConfigDataFile file;
        EXPECT_EQ(CFGFILE_OK, file.SaveFile(path.c_str(), rec));
        return path;
    }
    Bytes SavedBytes(const ConfigRecord* rec) { return ReadFileBytes(Save(rec)); }

    // Reads bytes as a file into a record filled with 0x5A; returns the result
    // and checks that a refusal left the record as it was.
    ConfigFileResult Load(const Bytes& bytes, RecordPtr* out = nullptr)
    {
        std::string path = folder.Path("in.cfg");
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        RecordPtr rec = FilledRecord(0x5A);
        CConfigDataFile file;
        ConfigFileResult r = file.LoadFile(path.c_str(), rec.get());
        if (r != CFGFILE_OK)
        {
            RecordPtr untouched = FilledRecord(0x5A);
            EXPECT_EQ(0, memcmp(untouched.get(), rec.get(), sizeof(ConfigRecord))) << "a refused file changed the record";
            EXPECT_TRUE(file.HasFormatError() || r != CFGFILE_FORMAT_ERROR);
        }
        if (out)
            *out = std::move(rec);
        return r;
    }

    CScratchFolder folder;
};

// Record and file agree on a range.
void ExpectSection(const Bytes& file, uint32_t fileOffset, const ConfigRecord* rec, uint32_t recOffset, uint32_t size)
{
    ASSERT_LE(fileOffset + size, file.size());
    EXPECT_EQ(0, memcmp(file.data() + fileOffset, ConfigBytes(rec) + recOffset, size))
        << "file offset " << fileOffset << ", record offset 0x" << std::hex << recOffset;
}

} // namespace

TEST_F(ConfigDataFileTest, DefaultRecordWritesTheExactHeaderAndSectionTable)
{
    RecordPtr rec = DefaultRecord();
    Bytes f = SavedBytes(rec.get());
    ASSERT_EQ(256u + 37872u, f.size());
    EXPECT_EQ(0, memcmp(f.data(), "*QORVEXALINE-CFG-DATA*KZD-FMT2*\0", 32));
    EXPECT_EQ(SumOf(f, 256, f.size()), U32At(f, 40));

    // Header and data sizes; offset fields 44..136 with the counts all 0.
    static const uint32_t expected[][2] = {
        {32, 256}, {36, 37872}, {44, 9804}, {48, 0}, {52, 9804}, {56, 0}, {60, 9804}, {64, 0},
        {68, 9804}, {72, 10316}, {76, 10576}, {80, 10704}, {84, 10832}, {88, 17488},
        {92, 19024}, {96, 19280}, {100, 19536}, {104, 0}, {108, 19536}, {112, 19536},
        {116, 20688}, {120, 29136}, {124, 20176}, {128, 20560}, {132, 20624},
        {136, 37584}, {140, 0}, {144, 0},
    };
    for (const auto& e : expected)
        EXPECT_EQ(e[1], U32At(f, e[0])) << "header field at " << e[0];
    EXPECT_EQ(Bytes(108, 0), Bytes(f.begin() + 148, f.begin() + 256)) << "the header's unused bytes";

    // File offset, record offset, size.
    static const uint32_t sections[][3] = {
        { 256, 0, 9548 }, { 9804, CFG_OFS_ALARM, 512 }, { 10832, CFG_OFS_IN_GROUPS_2, 6656 },
        { 19536, CFG_OFS_HTTP_IN, 640 }, { 20176, CFG_OFS_ISDN_CREDIT, 384 }, { 20688, CFG_OFS_CARD_SLOTS, 8448 },
        { 29136, CFG_OFS_ANALOG_COMMON, 8448 }, { 37584, CFG_OFS_SIP_TRUNK_GROUPS, 32 }, { 37616, CFG_OFS_SIP_COMMON, 512 },
    };
    for (const auto& x : sections)
        ExpectSection(f, x[0], rec.get(), x[1], x[2]);
}

TEST_F(ConfigDataFileTest, TablesWriteOnlyTheirUsedEntriesAndTheSizesFollow)
{
    RecordPtr rec = RecordWithTables(2, 1, 3, 1, 1, 2);
    // Entries after the first unused one are not counted.
    rec->routingRules[3].number[0] = 5;
    Bytes f = SavedBytes(rec.get());

    EXPECT_EQ((std::vector<uint32_t>{ 2, 1, 3, 1, 1, 2 }), (std::vector<uint32_t>{ U32At(f, 48), U32At(f, 56), U32At(f, 64),
                                                                    U32At(f, 104), U32At(f, 140), U32At(f, 144) }));
    uint32_t dataSize = 9548 + 64 * 2 + 36 * 1 + 36 * 3 + 512 + 260 + 128 + 128 + 6656 + 1536 + 256 + 256 +
                        100 * 1 + 64 * 2 + 640 + 384 + 64 + 64 + 8448 + 8448 + 544 + 768 * 3;
    EXPECT_EQ(dataSize, U32At(f, 36));
    EXPECT_EQ(256 + dataSize, f.size());
    // The 4 bytes shared by the main block and rule 0 are in the file twice
    // and counted twice.
    EXPECT_EQ(SumOf(f, 256, f.size()), U32At(f, 40));

    const uint32_t sip = U32At(f, 136);
    const uint32_t sections[][3] = {
        { 9804, CFG_OFS_ROUTING_RULES, 128 }, { U32At(f, 52), CFG_OFS_LCR_CLIP, 36 }, { U32At(f, 60), CFG_OFS_CLIP_GSM, 108 },
        { U32At(f, 100), CFG_OFS_MOBILITY, 100 }, { U32At(f, 108), CFG_OFS_ROUTING_COMPANION, 128 },
        { sip + 544, CFG_OFS_SIP_TRUNKS, 768 }, { sip + 544 + 768, CFG_OFS_SIP_USERS, 1536 },
    };
    for (const auto& x : sections)
        ExpectSection(f, x[0], rec.get(), x[1], x[2]);
    EXPECT_EQ(9804u + 128, U32At(f, 52));
    EXPECT_EQ(sip + 544 + 768 * 3, f.size());
}

TEST_F(ConfigDataFileTest, EveryCarriedByteComesBackAndTheTailIsErased)
{
    // Pseudo-random content in every carried range; table entries after the
    // used ones are empty, as the reader fills them.
    RecordPtr rec = FilledRecord(0xFF);
    uint32_t seed = 12345;
    uint8_t* b = ConfigBytes(rec.get());
    for (uint32_t i = 0; i < CFG_OFS_UNUSED_4627C; ++i)
        b[i] = (uint8_t)((seed = seed * 1103515245 + 12345) >> 16);
    for (uint32_t i = CFG_OFS_SIP_COMMON; i < CFG_OFS_UNUSED_60200; ++i)
        b[i] = (uint8_t)((seed = seed * 1103515245 + 12345) >> 16);
    struct Table { uint32_t ofs, size, count, used, inUse; } tables[] = {
        {CFG_OFS_ROUTING_RULES, 64, 1000, 17, 4}, {CFG_OFS_LCR_CLIP, 36, 1000, 1000, 0},
        {CFG_OFS_CLIP_GSM, 36, 1000, 0, 0}, {CFG_OFS_MOBILITY, 100, 500, 500, 4},
        {CFG_OFS_ROUTING_COMPANION, 64, 1000, 17, 0xFFFF},
    };
    for (const Table& t : tables)
    {
        for (uint32_t i = 0; i < t.count; ++i)
        {
            uint8_t* e = b + t.ofs + i * t.size;
            if (i >= t.used)
                memset(e, 0xFF, t.size);
            else if (t.inUse != 0xFFFF)
                e[t.inUse] = 1 + i % 250;
        }
    }
    for (uint32_t i = 0; i < 8; ++i)
        memset(&rec->sipTrunks[i], 'A' + i, 768);
    for (uint32_t i = 0; i < 110; ++i)
        memset(&rec->sipUsers[i], 1 + i, 768);

    // Read access is enough.
    std::string path = Save(rec.get());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    RecordPtr back = FilledRecord(0x77);
    CConfigDataFile file;
    ASSERT_EQ(CFGFILE_OK, file.LoadFile(path.c_str(), back.get()));
    EXPECT_FALSE(file.HasFormatError());
    EXPECT_EQ(17u, file.GetHeader().routingCount);
    EXPECT_EQ(110u, file.GetHeader().sipUserCount);
    const uint8_t* a = ConfigBytes(rec.get());
    const uint8_t* r = ConfigBytes(back.get());
    for (uint32_t i = 0; i < CFG_OFS_TAIL; ++i)
        ASSERT_EQ(a[i], r[i]) << "record offset 0x" << std::hex << i;
    // Not in the file: erased, as the device holds it, whatever was there.
    EXPECT_TRUE(Erased(r + CFG_OFS_TAIL, CFG_RECORD_SIZE - CFG_OFS_TAIL));
}

// Sections the file does not carry read as empty: both routing tables when
// there are no rules (also the bytes of rule 0 the main block carried), and
// fixed blocks whose offset is all ones.
TEST_F(ConfigDataFileTest, SectionsNotInTheFileReadAsEmpty)
{
    RecordPtr rec = DefaultRecord();
    memset(&rec->routingRules[0], 0x12, 4); // in the main block, but rule 0 is unused
    rec->routingRules[0].number[0] = 0;
    memset(&rec->routingCompanion[0], 0x34, 64);
    Bytes f = SavedBytes(rec.get());
    EXPECT_EQ(0u, U32At(f, 48));
    EXPECT_EQ(0x12, f[256 + 0x2548]);
    // The alarm and SMS 2 blocks marked absent: their bytes stay in the file
    // but are no longer read, so the checksum leaves them out.
    PutU32(f, 40, U32At(f, 40) - SumOf(f, U32At(f, 68), U32At(f, 68) + 512) - SumOf(f, U32At(f, 96), U32At(f, 96) + 256));
    PutU32(f, 68, 0xFFFFFFFF);
    PutU32(f, 96, 0xFFFFFFFF);

    RecordPtr back;
    ASSERT_EQ(CFGFILE_OK, Load(f, &back));
    const uint8_t* r = ConfigBytes(back.get());
    EXPECT_TRUE(Erased(r + CFG_OFS_ROUTING_RULES, CFG_OFS_LCR_CLIP - CFG_OFS_ROUTING_RULES));
    EXPECT_TRUE(Erased(r + CFG_OFS_ROUTING_COMPANION, CFG_OFS_HTTP_IN - CFG_OFS_ROUTING_COMPANION));
    EXPECT_TRUE(Erased(r + CFG_OFS_ALARM, 512));
    EXPECT_TRUE(Erased(r + CFG_OFS_SMS_2, 256));
    EXPECT_EQ(0, memcmp(ConfigBytes(rec.get()) + CFG_OFS_CDR, r + CFG_OFS_CDR, 128));
}

TEST_F(ConfigDataFileTest, AnOlderFormatFileReadsWithoutTheNewerSections)
{
    // Hand-built: 128-byte header, main block, one routing rule, its companion,
    // the alarm block, ISDN links part 2 and general settings part 2.
    RecordPtr src = RecordWithTables(1, 0, 0, 0, 0, 0);
    memset(&src->alarm, 0xA1, 512);
    memset(&src->isdnCredit, 0xB2, 384);
    memset(&src->general2, 0xC3, 64);
    const uint8_t* s = ConfigBytes(src.get());
    Bytes f(128, 0);
    memcpy(f.data(), "*QORVEXALINE-CFG-DATA*KZD-FMT*", 31);
    auto append = [&](uint32_t recOfs, uint32_t size) {
        uint32_t at = (uint32_t)f.size();
        f.insert(f.end(), s + recOfs, s + recOfs + size);
        return at;
    };
    append(0, 9548);
    uint32_t a = append(CFG_OFS_ROUTING_RULES, 64);
    uint32_t alarm = append(CFG_OFS_ALARM, 512);
    uint32_t a2 = append(CFG_OFS_ROUTING_COMPANION, 64);
    uint32_t isdn2 = append(CFG_OFS_ISDN_CREDIT, 384);
    uint32_t gen2 = append(CFG_OFS_GENERAL_2, 64);
    // Size, checksum, rule offset and count; the alarm, companion, ISDN links
    // part 2 and general part 2 offsets at what are fields 68, 108, 124 and
    // 132 in the newer header; 116 and 124 hold values that are not read.
    const uint32_t header[][2] = { { 32, (uint32_t)f.size() - 128 }, { 36, SumOf(f, 128, f.size()) }, { 40, a },
                                   { 44, 1 }, { 64, alarm }, { 104, a2 }, { 112, isdn2 }, { 116, 0x1234 },
                                   { 120, gen2 }, { 124, 0x5678 } };
    for (const auto& field : header)
        PutU32(f, field[0], field[1]);

    RecordPtr back;
    ASSERT_EQ(CFGFILE_OK, Load(f, &back));
    const uint8_t* r = ConfigBytes(back.get());
    const uint32_t carried[][2] = { { 0, 9548 + 64 }, { CFG_OFS_ALARM, 512 }, { CFG_OFS_ROUTING_COMPANION, 64 },
                                    { CFG_OFS_ISDN_CREDIT, 384 }, { CFG_OFS_GENERAL_2, 64 } };
    for (const auto& c : carried)
        EXPECT_EQ(0, memcmp(s + c[0], r + c[0], c[1])) << "record offset 0x" << std::hex << c[0];
    EXPECT_EQ(0xFF, r[CFG_OFS_GSM_CELLS]); // offset 0: absent
    EXPECT_TRUE(Erased(r + CFG_OFS_CARD_SLOTS, CFG_RECORD_SIZE - CFG_OFS_CARD_SLOTS));
    EXPECT_TRUE(Erased(r + CFG_OFS_CREDIT_REPORT, CFG_OFS_GENERAL_2 - CFG_OFS_CREDIT_REPORT));
}

TEST_F(ConfigDataFileTest, DamagedFilesAreRefusedAndTheRecordStaysAsItWas)
{
    RecordPtr rec = RecordWithTables(2, 1, 0, 1, 1, 1);
    const Bytes good = SavedBytes(rec.get());
    ASSERT_EQ(CFGFILE_OK, Load(good));

    EXPECT_EQ(CFGFILE_FORMAT_ERROR, Load(Bytes()));
    // Cut at every header and section boundary, and one byte short.
    for (size_t cut : {size_t(16), size_t(31), size_t(32), size_t(128), size_t(255), size_t(256),
                       size_t(256 + 9547), size_t(256 + 9548), good.size() - 1})
        EXPECT_EQ(CFGFILE_FORMAT_ERROR, Load(Bytes(good.begin(), good.begin() + cut))) << "cut at " << cut;

    const struct { const char* what; std::function<void(Bytes&)> damage; } damaged[] = {
        { "one byte longer than the header says", [](Bytes& f) { f.push_back(0); } },
        { "magic in lower case", [](Bytes& f) { memcpy(f.data(), "*qorvexaline-cfg-data*kzd-fmt2*", 31); } },
        { "older magic in lower case", [](Bytes& f) { memcpy(f.data(), "*QORVEXALINE-CFG-DATA*KZD-fmt*\0", 32); } },
        { "checksum one more", [](Bytes& f) { PutU32(f, 40, U32At(f, 40) + 1); } },
        { "a data bit flipped", [](Bytes& f) { f[300] ^= 0x01; } },
        { "the older format's header size", [](Bytes& f) { PutU32(f, 32, 128); } },
        // Such a table would not come back the same when saved again.
        { "count 2 over an unused rule 1", [](Bytes& f) {
              const size_t lengthByte = U32At(f, 44) + 64 + 4;
              PutU32(f, 40, U32At(f, 40) - f[lengthByte]);
              f[lengthByte] = 0;
          } },
    };
    for (const auto& d : damaged)
    {
        Bytes f = good;
        d.damage(f);
        EXPECT_EQ(CFGFILE_FORMAT_ERROR, Load(f)) << d.what;
    }
}

// A table the file really holds one entry more of than the record has room
// for, with size and checksum to match, is damaged: the extra entry would
// land on the next table. As many entries as the table holds are read.
TEST_F(ConfigDataFileTest, ATableLongerThanItsRoomIsRefused)
{
    RecordPtr rec = RecordWithTables(0, 2, 0, 0, 0, 0);
    const Bytes good = SavedBytes(rec.get());
    struct { size_t offsetField; uint32_t entrySize, room; } tables[] = {
        {44, 64, 1000}, {52, 36, 1000}, {60, 36, 1000}, {100, 100, 500},
    };
    for (const auto& t : tables)
    {
        for (uint32_t count : {t.room, t.room + 1})
        {
            // The table's count entries of 0x21 (all in use) appended, and the
            // header pointed at them; routing rules without companions.
            Bytes f = good;
            uint32_t old = U32At(f, t.offsetField), oldSize = U32At(f, t.offsetField + 4) * t.entrySize;
            uint32_t sum = U32At(f, 40) - SumOf(f, old, old + oldSize) + 0x21 * t.entrySize * count;
            PutU32(f, t.offsetField, (uint32_t)f.size());
            PutU32(f, t.offsetField + 4, count);
            if (t.offsetField == 44)
                PutU32(f, 108, 0xFFFFFFFF);
            f.resize(f.size() + count * t.entrySize, 0x21);
            PutU32(f, 36, (uint32_t)f.size() - 256);
            PutU32(f, 40, sum);
            EXPECT_EQ(count == t.room ? CFGFILE_OK : CFGFILE_FORMAT_ERROR, Load(f))
                << "count field " << t.offsetField + 4 << " = " << count;
        }
    }
}

namespace {
// Notes the file the writer writes into, and fails every write after the
// first 'budget' bytes, as a full disk would.
class CWatchedDataFile : public CConfigDataFile
{
public:
    explicit CWatchedDataFile(DWORD budget = 0xFFFFFFFF) : m_budget(budget) {}
    std::string written;

protected:
    DWORD WriteBytes(const void* buf, DWORD count) override
    {
        if (written.empty())
            written = GetPath();
        DWORD n = count <= m_budget ? count : m_budget;
        m_budget -= n;
        return n ? CConfigDataFile::WriteBytes(buf, n) : 0;
    }

private:
    DWORD m_budget;
};

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\') + 1);
}
} // namespace

TEST_F(ConfigDataFileTest, AFailedSaveLeavesTheOldFileAsItWasAndNoLeftovers)
{
    RecordPtr oldRec = RecordWithTables(3, 0, 0, 0, 0, 0);
    std::string path = Save(oldRec.get());
    const Bytes before = ReadFileBytes(path);

    RecordPtr newRec = DefaultRecord();
    for (DWORD budget : {DWORD(0), DWORD(100), DWORD(256 + 9548 + 10)})
    {
        CWatchedDataFile file(budget);
        EXPECT_EQ(CFGFILE_WRITE_FAILED, file.SaveFile(path.c_str(), newRec.get())) << budget;
        EXPECT_EQ(before, ReadFileBytes(path)) << budget;
        EXPECT_EQ(1u, folder.Files().size()) << "a temporary file was left behind";
    }

    // A good save replaces it.
    EXPECT_EQ(path, Save(newRec.get()));
    EXPECT_EQ(0u, U32At(ReadFileBytes(path), 48));
    EXPECT_EQ(1u, folder.Files().size());
}

TEST_F(ConfigDataFileTest, TheNewFileIsWrittenBesideTheTargetEvenInADriveRoot)
{
    RecordPtr rec = DefaultRecord();
    std::string path = folder.Path("beside.cfg");
    CWatchedDataFile file;
    ASSERT_EQ(CFGFILE_OK, file.SaveFile(path.c_str(), rec.get()));
    EXPECT_EQ(FolderOf(path), FolderOf(file.written));
    EXPECT_NE(path, file.written);
    EXPECT_EQ(std::vector<std::string>{"beside.cfg"}, folder.Files());

    // "C:" alone would name the drive's current folder, not its root.
    char root[MAX_PATH];
    FormatText(root, sizeof(root), "C:\\velcfg%lu.cfg", GetCurrentProcessId());
    CWatchedDataFile rootFile;
    ASSERT_EQ(CFGFILE_OK, rootFile.SaveFile(root, rec.get()));
    EXPECT_EQ("C:\\", FolderOf(rootFile.written));
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(root));
    DeleteFileA(root);
}

TEST_F(ConfigDataFileTest, MutatedFilesNeverCrashAndAnAcceptedOneSavesBackTheSame)
{
    RecordPtr rec = RecordWithTables(3, 2, 1, 2, 1, 2);
    const Bytes good = SavedBytes(rec.get());
    uint32_t seed = 2024;
    auto rnd = [&seed](uint32_t n) { seed = seed * 1664525 + 1013904223; return (seed >> 8) % n; };
    int accepted = 0;
    for (int round = 0; round < 150; ++round)
    {
        Bytes f = good;
        switch (rnd(4))
        {
        case 0: // bytes of the header
            for (uint32_t k = 1 + rnd(3); k; --k)
                f[rnd(148)] = (uint8_t)rnd(256);
            break;
        case 1: // a header field set to a boundary value
            PutU32(f, 32 + 4 * rnd(29), rnd(2) ? 0xFFFFFFFF : rnd(2000));
            break;
        case 2: // a cut or an extension
            if (rnd(2))
                f.resize(rnd((uint32_t)f.size()));
            else
                f.resize(f.size() + 1 + rnd(1000), (uint8_t)rnd(256));
            break;
        default: // two data bytes swapped: the byte sum does not see it
        {
            size_t i = 256 + rnd((uint32_t)f.size() - 256), j = 256 + rnd((uint32_t)f.size() - 256);
            std::swap(f[i], f[j]);
            break;
        }
        }
        RecordPtr first;
        if (Load(f, &first) != CFGFILE_OK)
            continue;
        ++accepted;
        RecordPtr second;
        ASSERT_EQ(CFGFILE_OK, Load(SavedBytes(first.get()), &second)) << "round " << round;
        ASSERT_EQ(0, memcmp(first.get(), second.get(), sizeof(ConfigRecord))) << "round " << round;
    }
    EXPECT_GT(accepted, 0);
}
