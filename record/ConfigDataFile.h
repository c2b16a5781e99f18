#pragma once
#include "base/DiskFile.h"
#include "record/ConfigRecord.h"

// A configuration data file: a header with a section table, the record's main
// block, its fixed blocks and only the used entries of its large tables.
// The current format is written and read; the older one is read only.

#define CFG_FILE_MAGIC_FMT2 "*QORVEXALINE-CFG-DATA*KZD-FMT2*"
#define CFG_FILE_MAGIC_FMT "*QORVEXALINE-CFG-DATA*KZD-FMT*"
constexpr uint32_t CFG_FILE_HEADER_SIZE = 256;     // current format
constexpr uint32_t CFG_FILE_OLD_HEADER_SIZE = 128; // older format
constexpr uint32_t CFG_FILE_MAIN_BLOCK_SIZE = 0x254C; // record 0x0000-0x254B, 9,548 bytes

#pragma pack(push, 1)
// The header as the current format stores it (u32 little-endian; offsets are
// absolute file offsets). A header of the older format is converted to this
// form with headerSize 128 and no card, analog, credit or SIP sections.
struct ConfigFileHeader
{
    char magic[32];
    uint32_t headerSize;        // 32
    uint32_t dataSize;          // 36: bytes after the header
    uint32_t checksum;          // 40: byte sum of the data after the header
    uint32_t routingOffset;     // 44: A, routing rules
    uint32_t routingCount;      // 48
    uint32_t lcrClipOffset;     // 52: B
    uint32_t lcrClipCount;      // 56
    uint32_t clipGsmOffset;     // 60: C
    uint32_t clipGsmCount;      // 64
    uint32_t alarmOffset;       // 68
    uint32_t gsmCellsOffset;    // 72
    uint32_t cdrOffset;         // 76
    uint32_t sms1Offset;        // 80
    uint32_t inGroups2Offset;   // 84
    uint32_t gsmSim2Offset;     // 88
    uint32_t httpOutOffset;     // 92
    uint32_t sms2Offset;        // 96
    uint32_t mobilityOffset;    // 100
    uint32_t mobilityCount;     // 104
    uint32_t companionOffset;   // 108: A2, count = routingCount
    uint32_t httpInOffset;      // 112: incoming HTTP request and working hours
    uint32_t slotsOffset;       // 116: card slots and VoIP modules
    uint32_t analogOffset;      // 120: analog common and analog lines
    uint32_t isdnCreditOffset;  // 124: ISDN links part 2
    uint32_t creditReportOffset;// 128
    uint32_t general2Offset;    // 132
    uint32_t sipOffset;         // 136: trunk groups, SIP common, trunks, users
    uint32_t sipTrunkCount;     // 140
    uint32_t sipUserCount;      // 144
    uint8_t zero[108];          // 148-255
};
#pragma pack(pop)
static_assert(sizeof(ConfigFileHeader) == CFG_FILE_HEADER_SIZE, "configuration file header");
static_assert(offsetof(ConfigFileHeader, companionOffset) == 108, "A2 offset field");
static_assert(offsetof(ConfigFileHeader, sipUserCount) == 144, "SIP user count field");

// Outcome of opening or saving a whole file, for the document's messages.
enum ConfigFileResult
{
    CFGFILE_OK = 0,
    CFGFILE_NO_FILE,       // the file does not exist
    CFGFILE_OPEN_FAILED,   // it exists but cannot be opened (locked...)
    CFGFILE_IS_FOLDER,     // the path names a folder
    CFGFILE_FORMAT_ERROR,  // not a configuration data file, or damaged
    CFGFILE_WRITE_FAILED,  // the new file could not be written or put in place
    CFGFILE_NO_MEMORY,
};

class CConfigDataFile : public CDiskFile
{
public:
    CConfigDataFile();
    ~CConfigDataFile() override;

    // Writes the record in the current format to the open file, from its
    // start, and cuts the file there first. 1, or 0 when any write is short.
    int WriteConfigData(const ConfigRecord* rec);
    // Reads a file of either format from the open file. 1 on success. On
    // failure 0 with the format-error flag set, and the record unchanged: the
    // file is read into a scratch copy that reaches the record only when the
    // whole file was accepted.
    int ReadConfigData(ConfigRecord* rec);

    // Opens an existing file for reading only, reads it into the record and
    // closes it.
    ConfigFileResult LoadFile(const char* path, ConfigRecord* rec);
    // Writes the whole file beside the target and replaces the target only
    // when all of it was written: a failed save leaves the old file as it was.
    ConfigFileResult SaveFile(const char* path, const ConfigRecord* rec);

    const ConfigFileHeader& GetHeader() const { return m_header; }
    bool HasFormatError() const { return m_formatError != 0; }

    // Fills a header (offsets, counts, sizes, checksum) for the record as the
    // writer lays it out.
    static void BuildHeader(const ConfigRecord* rec, ConfigFileHeader* header);

protected:
    // Every write of the writer goes through here (tests make it fail).
    virtual DWORD WriteBytes(const void* buf, DWORD count);

private:
    int ReadInto(ConfigRecord* scratch);
    bool ReadSection(uint32_t fileOffset, uint8_t* dst, uint32_t size, uint32_t* sum);
    bool ReadAt(uint8_t* dst, uint32_t size, uint32_t* sum);

    ConfigFileHeader m_header;
    uint32_t m_formatError;
};
