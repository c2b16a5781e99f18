#include "record/ConfigDataFile.h"
#include "base/TextUtil.h"
#include <cstring>
#include <new>

namespace {

// When a section of the file is there to be read.
enum SectionPresence
{
    PRESENT_BY_COUNT,          // a table with a count above 0
    PRESENT_BY_VALID_OFFSET,   // offset neither 0 nor 0xFFFFFFFF
    PRESENT_BY_COUNT_AND_VALID_OFFSET,
    PRESENT_BY_NONZERO_OFFSET, // blocks the older format does not have
};

// A section after the main block: a fixed block (no count) or the used head of
// a table. Rows are in file order, which is also the order of reading.
struct FileSection
{
    uint32_t ConfigFileHeader::*offsetField;
    uint32_t ConfigFileHeader::*countField; // null for a fixed block
    uint32_t recordOffset;
    uint32_t entrySize;   // a fixed block: its whole size
    uint32_t maxCount;    // entries of the table; 1 for a fixed block
    uint32_t inUseByte;   // byte of an entry that tells whether it is used
    SectionPresence presence;
};

typedef ConfigFileHeader H;
const FileSection kSections[] = {
    {&H::routingOffset, &H::routingCount, CFG_OFS_ROUTING_RULES, CFG_ROUTING_RULE_SIZE, CFG_ROUTING_RULE_COUNT, 4, PRESENT_BY_COUNT},
    {&H::lcrClipOffset, &H::lcrClipCount, CFG_OFS_LCR_CLIP, CFG_LCR_CLIP_SIZE, CFG_LCR_CLIP_COUNT, 0, PRESENT_BY_COUNT},
    {&H::clipGsmOffset, &H::clipGsmCount, CFG_OFS_CLIP_GSM, CFG_CLIP_GSM_SIZE, CFG_CLIP_GSM_COUNT, 0, PRESENT_BY_COUNT},
    {&H::alarmOffset, nullptr, CFG_OFS_ALARM, sizeof(AlarmSettings), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::gsmCellsOffset, nullptr, CFG_OFS_GSM_CELLS, sizeof(GsmCellSelect), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::cdrOffset, nullptr, CFG_OFS_CDR, sizeof(CdrSettings), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::sms1Offset, nullptr, CFG_OFS_SMS_1, sizeof(SmsSettings1), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::inGroups2Offset, nullptr, CFG_OFS_IN_GROUPS_2, 32 * sizeof(InGroupRec2), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::gsmSim2Offset, nullptr, CFG_OFS_GSM_SIM2, 32 * sizeof(GsmModuleRec), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::httpOutOffset, nullptr, CFG_OFS_HTTP_OUT, sizeof(HttpRequestSettings), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::sms2Offset, nullptr, CFG_OFS_SMS_2, sizeof(SmsSettings2), 1, 0, PRESENT_BY_VALID_OFFSET},
    {&H::mobilityOffset, &H::mobilityCount, CFG_OFS_MOBILITY, CFG_MOBILITY_SIZE, CFG_MOBILITY_COUNT, 4, PRESENT_BY_COUNT},
    // The companion entries follow the routing rules' count; their use is
    // decided by the rule of the same index.
    {&H::companionOffset, &H::routingCount, CFG_OFS_ROUTING_COMPANION, CFG_ROUTING_RULE_SIZE, CFG_ROUTING_RULE_COUNT, 0xFFFFFFFF, PRESENT_BY_COUNT_AND_VALID_OFFSET},
    // Incoming HTTP request (256) and working hours (384) lie side by side.
    {&H::httpInOffset, nullptr, CFG_OFS_HTTP_IN, sizeof(HttpRequestSettings) + sizeof(WorkingHours), 1, 0, PRESENT_BY_NONZERO_OFFSET},
    {&H::isdnCreditOffset, nullptr, CFG_OFS_ISDN_CREDIT, 4 * sizeof(IsdnLinkCredit), 1, 0, PRESENT_BY_NONZERO_OFFSET},
    {&H::creditReportOffset, nullptr, CFG_OFS_CREDIT_REPORT, sizeof(CreditReportSettings), 1, 0, PRESENT_BY_NONZERO_OFFSET},
    {&H::general2Offset, nullptr, CFG_OFS_GENERAL_2, sizeof(SystemGeneralSettings2), 1, 0, PRESENT_BY_NONZERO_OFFSET},
    // Card slots (256) and VoIP modules (8,192); analog common (256) and lines (8,192).
    {&H::slotsOffset, nullptr, CFG_OFS_CARD_SLOTS, 8 * sizeof(CardSlotRec) + 16 * sizeof(VoipModuleRec), 1, 0, PRESENT_BY_NONZERO_OFFSET},
    {&H::analogOffset, nullptr, CFG_OFS_ANALOG_COMMON, sizeof(AnalogCommonSettings) + 32 * sizeof(AnalogLineRec), 1, 0, PRESENT_BY_NONZERO_OFFSET},
};
static_assert(CFG_OFS_HTTP_IN + 256 == CFG_OFS_WORKING_HOURS, "incoming HTTP and working hours adjoin");
static_assert(CFG_OFS_CARD_SLOTS + 256 == CFG_OFS_VOIP_MODULES, "card slots and VoIP modules adjoin");
static_assert(CFG_OFS_ANALOG_COMMON + 256 == CFG_OFS_ANALOG_LINES, "analog common and lines adjoin");

// The SIP group: trunk groups and SIP common settings, then the used trunks
// and users. Reading fills everything from the trunk groups to the tail.
constexpr uint32_t SIP_TRUNK_GROUPS_SIZE = 8 * sizeof(SipTrunkGroups);
constexpr uint32_t SIP_COMMON_SIZE = sizeof(SipCommonSettings);
constexpr uint32_t SIP_GROUP_FILL = CFG_OFS_TAIL - CFG_OFS_SIP_TRUNK_GROUPS; // 197,540

bool IsEntryInUse(const uint8_t* entry, uint32_t inUseByte)
{
    uint8_t b = entry[inUseByte];
    return b != 0 && b != 0xFF;
}

uint32_t CountUsedEntries(const uint8_t* table, uint32_t entrySize, uint32_t maxCount, uint32_t inUseByte)
{
    uint32_t n = 0;
    while (n < maxCount && IsEntryInUse(table + n * entrySize, inUseByte))
        ++n;
    return n;
}

uint32_t ByteSum(const uint8_t* p, uint32_t size)
{
    uint32_t sum = 0;
    for (uint32_t i = 0; i < size; ++i)
        sum += p[i];
    return sum;
}

bool IsSectionPresent(const FileSection& s, const ConfigFileHeader& h)
{
    uint32_t offset = h.*s.offsetField;
    bool validOffset = offset != 0 && offset != 0xFFFFFFFF;
    switch (s.presence)
    {
    case PRESENT_BY_COUNT:
        return h.*s.countField != 0;
    case PRESENT_BY_VALID_OFFSET:
        return validOffset;
    case PRESENT_BY_COUNT_AND_VALID_OFFSET:
        return h.*s.countField != 0 && validOffset;
    case PRESENT_BY_NONZERO_OFFSET:
        return offset != 0;
    }
    return false;
}

} // namespace

CConfigDataFile::CConfigDataFile()
    : m_formatError(0)
{
    memset(&m_header, 0, sizeof(m_header));
}

CConfigDataFile::~CConfigDataFile() {}

DWORD CConfigDataFile::WriteBytes(const void* buf, DWORD count)
{
    return Write(buf, count);
}

void CConfigDataFile::BuildHeader(const ConfigRecord* rec, ConfigFileHeader* h)
{
    const uint8_t* b = ConfigBytes(rec);
    memset(h, 0, sizeof(*h));
    memcpy(h->magic, CFG_FILE_MAGIC_FMT2, sizeof(CFG_FILE_MAGIC_FMT2));
    h->headerSize = CFG_FILE_HEADER_SIZE;

    uint32_t pos = CFG_FILE_HEADER_SIZE + CFG_FILE_MAIN_BLOCK_SIZE;
    uint32_t sum = ByteSum(b, CFG_FILE_MAIN_BLOCK_SIZE);
    for (const FileSection& s : kSections)
    {
        uint32_t count = 1;
        if (s.countField)
        {
            if (s.inUseByte != 0xFFFFFFFF)
                h->*s.countField = CountUsedEntries(b + s.recordOffset, s.entrySize, s.maxCount, s.inUseByte);
            count = h->*s.countField;
        }
        uint32_t size = count * s.entrySize;
        h->*s.offsetField = pos;
        sum += ByteSum(b + s.recordOffset, size);
        pos += size;
    }

    h->sipTrunkCount = CountUsedEntries(b + CFG_OFS_SIP_TRUNKS, CFG_SIP_ACCOUNT_SIZE, CFG_SIP_TRUNK_COUNT, 0);
    h->sipUserCount = CountUsedEntries(b + CFG_OFS_SIP_USERS, CFG_SIP_ACCOUNT_SIZE, CFG_SIP_USER_COUNT, 0);
    h->sipOffset = pos;
    sum += ByteSum(b + CFG_OFS_SIP_TRUNK_GROUPS, SIP_TRUNK_GROUPS_SIZE);
    sum += ByteSum(b + CFG_OFS_SIP_COMMON, SIP_COMMON_SIZE);
    sum += ByteSum(b + CFG_OFS_SIP_TRUNKS, h->sipTrunkCount * CFG_SIP_ACCOUNT_SIZE);
    sum += ByteSum(b + CFG_OFS_SIP_USERS, h->sipUserCount * CFG_SIP_ACCOUNT_SIZE);
    pos += SIP_TRUNK_GROUPS_SIZE + SIP_COMMON_SIZE + (h->sipTrunkCount + h->sipUserCount) * CFG_SIP_ACCOUNT_SIZE;

    h->dataSize = pos - CFG_FILE_HEADER_SIZE;
    h->checksum = sum;
}

int CConfigDataFile::WriteConfigData(const ConfigRecord* rec)
{
    const uint8_t* b = ConfigBytes(rec);
    BuildHeader(rec, &m_header);
    if (!SeekToBegin() || !SetLength(0, 0))
        return 0;

    struct Piece { const void* data; uint32_t size; };
    Piece pieces[2 + sizeof(kSections) / sizeof(kSections[0]) + 4];
    size_t n = 0;
    pieces[n++] = {&m_header, CFG_FILE_HEADER_SIZE};
    pieces[n++] = {b, CFG_FILE_MAIN_BLOCK_SIZE};
    for (const FileSection& s : kSections)
    {
        uint32_t count = s.countField ? m_header.*s.countField : 1;
        pieces[n++] = {b + s.recordOffset, count * s.entrySize};
    }
    pieces[n++] = {b + CFG_OFS_SIP_TRUNK_GROUPS, SIP_TRUNK_GROUPS_SIZE};
    pieces[n++] = {b + CFG_OFS_SIP_COMMON, SIP_COMMON_SIZE};
    pieces[n++] = {b + CFG_OFS_SIP_TRUNKS, m_header.sipTrunkCount * CFG_SIP_ACCOUNT_SIZE};
    pieces[n++] = {b + CFG_OFS_SIP_USERS, m_header.sipUserCount * CFG_SIP_ACCOUNT_SIZE};

    for (size_t i = 0; i < n; ++i)
    {
        if (pieces[i].size == 0)
            continue; // an empty table writes nothing
        if (WriteBytes(pieces[i].data, pieces[i].size) != pieces[i].size)
            return 0;
    }
    return 1;
}

int CConfigDataFile::ReadConfigData(ConfigRecord* rec)
{
    m_formatError = 0;
    ConfigRecord* scratch = new (std::nothrow) ConfigRecord;
    int ok = 0;
    if (scratch)
    {
        memcpy(scratch, rec, sizeof(ConfigRecord));
        ok = ReadInto(scratch);
        if (ok)
            memcpy(rec, scratch, sizeof(ConfigRecord));
        delete scratch;
    }
    if (!ok)
        m_formatError = 1;
    return ok;
}

bool CConfigDataFile::ReadAt(uint8_t* dst, uint32_t size, uint32_t* sum)
{
    if (size == 0)
        return true;
    if (Read(dst, size) != size)
        return false;
    *sum += ByteSum(dst, size);
    return true;
}

bool CConfigDataFile::ReadSection(uint32_t fileOffset, uint8_t* dst, uint32_t size, uint32_t* sum)
{
    return Seek(fileOffset) && ReadAt(dst, size, sum);
}

int CConfigDataFile::ReadInto(ConfigRecord* rec)
{
    uint8_t* b = ConfigBytes(rec);
    ConfigFileHeader& h = m_header;

    char magic[32];
    if (!SeekToBegin() || Read(magic, sizeof(magic)) != sizeof(magic) || !SeekToBegin())
        return 0;
    if (strncmp(magic, CFG_FILE_MAGIC_FMT, sizeof(magic)) == 0)
    {
        uint32_t old[CFG_FILE_OLD_HEADER_SIZE / 4];
        if (Read(old, sizeof(old)) != sizeof(old))
            return 0;
        // The older header: data size, checksum, then the fields from the
        // routing offset to the incoming HTTP offset in the same order, then
        // the ISDN part 2 and general part 2 offsets.
        memset(&h, 0, sizeof(h));
        memcpy(h.magic, old, sizeof(h.magic));
        h.headerSize = CFG_FILE_OLD_HEADER_SIZE;
        h.dataSize = old[8];
        h.checksum = old[9];
        memcpy(&h.routingOffset, &old[10], 18 * sizeof(uint32_t));
        h.isdnCreditOffset = old[28];
        h.general2Offset = old[30];
    }
    else if (strncmp(magic, CFG_FILE_MAGIC_FMT2, sizeof(magic)) == 0)
    {
        if (Read(&h, sizeof(h)) != sizeof(h) || h.headerSize != CFG_FILE_HEADER_SIZE)
            return 0;
    }
    else
    {
        return 0;
    }

    DWORD fileSize = GetSize();
    if (fileSize < h.headerSize || h.dataSize != fileSize - h.headerSize)
        return 0;

    // A count above its table's size is a damaged file, never a write past
    // the table.
    if (h.routingCount > CFG_ROUTING_RULE_COUNT || h.lcrClipCount > CFG_LCR_CLIP_COUNT ||
        h.clipGsmCount > CFG_CLIP_GSM_COUNT || h.mobilityCount > CFG_MOBILITY_COUNT ||
        h.sipTrunkCount > CFG_SIP_TRUNK_COUNT || h.sipUserCount > CFG_SIP_USER_COUNT)
        return 0;

    uint32_t sum = 0;
    if (!ReadSection(h.headerSize, b, CFG_FILE_MAIN_BLOCK_SIZE, &sum))
        return 0;

    for (const FileSection& s : kSections)
    {
        memset(b + s.recordOffset, CFG_EMPTY, s.entrySize * s.maxCount);
        if (!IsSectionPresent(s, h))
            continue;
        uint32_t count = s.countField ? h.*s.countField : 1;
        if (!ReadSection(h.*s.offsetField, b + s.recordOffset, count * s.entrySize, &sum))
            return 0;
    }

    memset(b + CFG_OFS_SIP_TRUNK_GROUPS, CFG_EMPTY, SIP_GROUP_FILL);
    // The record's last 4 bytes are not in the file: erased, as in every
    // record the program makes and as the device keeps them, so that an
    // upload of an opened file writes nothing there.
    memset(b + CFG_OFS_TAIL, CFG_EMPTY, CFG_RECORD_SIZE - CFG_OFS_TAIL);
    if (h.sipOffset != 0)
    {
        if (!ReadSection(h.sipOffset, b + CFG_OFS_SIP_TRUNK_GROUPS, SIP_TRUNK_GROUPS_SIZE, &sum) ||
            !ReadAt(b + CFG_OFS_SIP_COMMON, SIP_COMMON_SIZE, &sum) ||
            !ReadAt(b + CFG_OFS_SIP_TRUNKS, h.sipTrunkCount * CFG_SIP_ACCOUNT_SIZE, &sum) ||
            !ReadAt(b + CFG_OFS_SIP_USERS, h.sipUserCount * CFG_SIP_ACCOUNT_SIZE, &sum))
            return 0;
    }

    if (sum != h.checksum)
        return 0;

    // Every entry a count covers must be one that is in use: a table whose
    // count says otherwise would not come back the same when saved again.
    for (const FileSection& s : kSections)
    {
        if (!s.countField || s.inUseByte == 0xFFFFFFFF)
            continue;
        uint32_t count = h.*s.countField;
        if (CountUsedEntries(b + s.recordOffset, s.entrySize, count, s.inUseByte) != count)
            return 0;
    }
    if (CountUsedEntries(b + CFG_OFS_SIP_TRUNKS, CFG_SIP_ACCOUNT_SIZE, h.sipTrunkCount, 0) != h.sipTrunkCount ||
        CountUsedEntries(b + CFG_OFS_SIP_USERS, CFG_SIP_ACCOUNT_SIZE, h.sipUserCount, 0) != h.sipUserCount)
        return 0;
    return 1;
}

ConfigFileResult CConfigDataFile::LoadFile(const char* path, ConfigRecord* rec)
{
    Close();
    // Reading never creates or changes the file.
    if (!Open(path, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING))
    {
        const DWORD attributes = path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return CFGFILE_NO_FILE;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? CFGFILE_IS_FOLDER : CFGFILE_OPEN_FAILED;
    }
    int ok = ReadConfigData(rec);
    Close();
    return ok ? CFGFILE_OK : CFGFILE_FORMAT_ERROR;
}

ConfigFileResult CConfigDataFile::SaveFile(const char* path, const ConfigRecord* rec)
{
    Close();
    if (!path || !path[0])
        return CFGFILE_WRITE_FAILED;
    // A read-only file or a folder is never replaced (not every system's
    // rename refuses a read-only target by itself).
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return CFGFILE_WRITE_FAILED;

    // The new file is written in the target's folder, so that putting it in
    // place is a rename on the same volume.
    char dir[MAX_PATH];
    CopyText(dir, sizeof(dir), path);
    char* slash = strrchr(dir, '\\');
    char* other = strrchr(dir, '/');
    if (other > slash)
        slash = other;
    if (slash)
    {
        // A file in a drive's root keeps the backslash: "C:" alone would be
        // the drive's current folder, somewhere else entirely.
        bool root = slash == dir || slash[-1] == ':';
        slash[root ? 1 : 0] = '\0';
    }
    else
        CopyText(dir, sizeof(dir), ".");

    char temp[MAX_PATH];
    if (!GetTempFileNameA(dir, "cfg", 0, temp))
        return CFGFILE_WRITE_FAILED;

    int ok = 0;
    if (Open(temp, DISKFILE_WRITE | DISKFILE_CREATE))
    {
        ok = WriteConfigData(rec);
        if (ok && !FlushFileBuffers(GetHandle()))
            ok = 0;
        Close();
    }
    if (ok && !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = 0;
    if (!ok)
    {
        DeleteFileA(temp);
        return CFGFILE_WRITE_FAILED;
    }
    return CFGFILE_OK;
}
