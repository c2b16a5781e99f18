#pragma once
#include "base/DiskFile.h"
#include <cstdint>

// Call detail records received from the device, written for the user: a text
// file with one line per call in the configured column order, or the raw
// 64-byte device records.

constexpr DWORD CDR_RECORD_SIZE = 64;

// Formats of the export: the index of the file type chosen in the save dialog.
enum : DWORD
{
    CDR_FORMAT_TEXT_SEMICOLON = 1, // any value but 2 and 3
    CDR_FORMAT_TEXT_TAB = 2,
    CDR_FORMAT_BINARY = 3,
};

// Error codes kept for the message at the end of the download.
enum : DWORD
{
    CDR_ERROR_NONE = 0,
    CDR_ERROR_VERSION = 1,     // record format byte is not 1
    CDR_ERROR_FORMAT = 2,      // number lengths too long
    CDR_ERROR_RECORD_SIZE = 3, // block ends inside a record
    CDR_ERROR_WRITE = 10,      // write failed
};

// A decoded device record.
struct CdrRecord
{
    uint8_t callType;
    SYSTEMTIME time;           // full year; weekday and milliseconds not used
    uint8_t cause;
    uint8_t inPortType;
    uint8_t inPortNumber;
    uint8_t outPortType;
    uint8_t outPortNumber;
    uint32_t callLength;       // seconds
    char callerId[64];
    char calledNumber[64];
};

class CCdrExportFile : public CDiskFile
{
public:
    CCdrExportFile();
    ~CCdrExportFile() override;

    void SetFormat(DWORD format) { m_format = format; }
    DWORD GetFormat() const { return m_format; }
    DWORD GetErrorCode() const { return m_errorCode; }
    DWORD GetRecordCount() const { return m_recordCount; }

    // Empties the file and, for a text format, writes the header line.
    int BeginExport();
    int WriteHeader();
    // One block as the device sent it: 1 taken, 0 rejected (error code set).
    // Records decoded before a bad one are written even when the block is
    // rejected.
    int WriteRecords(const uint8_t* bytes, DWORD length);
    // 64 when a record was decoded, 0 when remaining is 0, -1 on a bad record.
    int DecodeRecord(const uint8_t* bytes, DWORD remaining, CdrRecord* out);
    // Writes one text line: 1, or 0 with error 10.
    int FormatRecord(const CdrRecord& record);

    // The text line of a record, or of the header when record is null, with
    // the column order and separator of the settings and this format;
    // "\r\n"-terminated. Returns the length.
    int BuildLine(const CdrRecord* record, char* out, size_t size) const;

    // The proposed export file name: "CDRyymmdd" in folder, else the first
    // "CDRyymmdd_nn" (nn = 01..99) that does not exist, else "_100" unchecked;
    // extension "TXT" for format 2, "BIN" for 3, "CSV" otherwise.
    static bool ProposeFileName(const char* folder, DWORD format, const SYSTEMTIME& date, char* out, size_t size);

    static const char* CallTypeText(uint8_t callType);
    static const char* PortTypeText(uint8_t portType);

protected:
    // Every write goes through here (tests make it fail).
    virtual DWORD WriteBytes(const void* buf, DWORD count);

private:
    DWORD m_format;
    DWORD m_errorCode;
    DWORD m_recordCount;
};
