#include "comm/CdrExportFile.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

namespace {

// The nine columns in their fixed order; each is placed by its setting.
enum CdrField
{
    FIELD_DATE,
    FIELD_TIME,
    FIELD_TYPE,
    FIELD_CALLER_ID,
    FIELD_CALLED_NUMBER,
    FIELD_LENGTH,
    FIELD_IN_PORT,
    FIELD_OUT_PORT,
    FIELD_CAUSE,
    FIELD_COUNT
};

const char* const kHeaderTexts[FIELD_COUNT] = {
    "Date", "Time", "Call Type", "Caller Id", "Called Number", "Call Length", "Input Port", "Output Port", "Cause",
};

DWORD FieldPosition(int field)
{
    switch (field)
    {
    case FIELD_DATE: return g_Settings.CDRFieldDate;
    case FIELD_TIME: return g_Settings.CDRFieldTime;
    case FIELD_TYPE: return g_Settings.CDRFieldType;
    case FIELD_CALLER_ID: return g_Settings.CDRFieldCallerId;
    case FIELD_CALLED_NUMBER: return g_Settings.CDRFieldCalledNumber;
    case FIELD_LENGTH: return g_Settings.CDRFieldLength;
    case FIELD_IN_PORT: return g_Settings.CDRFieldInPort;
    case FIELD_OUT_PORT: return g_Settings.CDRFieldOutPort;
    case FIELD_CAUSE: return g_Settings.CDRFieldCause;
    }
    return 0xFFFFFFFF;
}

// GSM port numbers are shown with the channel display offset.
int PortNumber(uint8_t type, uint8_t number)
{
    return type == 4 ? (int)(number + g_Settings.ChannelIndexOffset) : number;
}

void FormatField(int field, const CdrRecord& r, char sep, char* out, size_t size)
{
    switch (field)
    {
    case FIELD_DATE:
        FormatText(out, size, "%d.%d.%d%c", r.time.wDay, r.time.wMonth, r.time.wYear, sep);
        break;
    case FIELD_TIME:
        FormatText(out, size, "%d:%02d:%02d%c", r.time.wHour, r.time.wMinute, r.time.wSecond, sep);
        break;
    case FIELD_TYPE:
        FormatText(out, size, "%s%c", CCdrExportFile::CallTypeText(r.callType), sep);
        break;
    case FIELD_CALLER_ID:
        FormatText(out, size, "%s%c", r.callerId, sep);
        break;
    case FIELD_CALLED_NUMBER:
        FormatText(out, size, "%s%c", r.calledNumber, sep);
        break;
    case FIELD_LENGTH:
        FormatText(out, size, "%u:%02u:%02u%c", r.callLength / 3600, (r.callLength % 3600) / 60, r.callLength % 60, sep);
        break;
    case FIELD_IN_PORT:
        FormatText(out, size, "%s/%d%c", CCdrExportFile::PortTypeText(r.inPortType), PortNumber(r.inPortType, r.inPortNumber), sep);
        break;
    case FIELD_OUT_PORT:
        FormatText(out, size, "%s/%d%c", CCdrExportFile::PortTypeText(r.outPortType), PortNumber(r.outPortType, r.outPortNumber), sep);
        break;
    case FIELD_CAUSE:
        FormatText(out, size, "%d%c", r.cause, sep);
        break;
    default:
        out[0] = '\0';
        break;
    }
}

constexpr size_t kLineSize = 1024;

} // namespace

CCdrExportFile::CCdrExportFile()
    : m_format(CDR_FORMAT_TEXT_SEMICOLON), m_errorCode(CDR_ERROR_NONE), m_recordCount(0)
{
}

CCdrExportFile::~CCdrExportFile() {}

DWORD CCdrExportFile::WriteBytes(const void* buf, DWORD count)
{
    return Write(buf, count);
}

const char* CCdrExportFile::CallTypeText(uint8_t callType)
{
    switch (callType)
    {
    case 1: return "Outgoing PBX->GSM";
    case 2: return "Outgoing PBX->PSTN";
    case 3: return "Incoming PSTN->PBX";
    case 4: return "Incoming GSM->PBX";
    case 5: return "Callback GSM->PBX";
    case 17: return "Answered Call";
    case 18: return "Unanswered Call";
    case 19: return "Answered Smart Callback";
    case 20: return "Unanswered Smart Callback";
    case 21: return "Callback";
    }
    return "";
}

const char* CCdrExportFile::PortTypeText(uint8_t portType)
{
    static const char* const kTexts[] = {"PBX", "PSTN", "E1-C", "E1-D", "GSM"};
    return portType < 5 ? kTexts[portType] : "";
}

int CCdrExportFile::BuildLine(const CdrRecord* record, char* out, size_t size) const
{
    if (!out || size < 3)
        return 0;
    char sep = m_format == CDR_FORMAT_TEXT_TAB ? '\t' : ';';
    out[0] = '\0';
    for (DWORD position = 0; position < FIELD_COUNT; ++position)
    {
        for (int field = 0; field < FIELD_COUNT; ++field)
        {
            if (FieldPosition(field) != position)
                continue;
            char text[256];
            if (record)
                FormatField(field, *record, sep, text, sizeof(text));
            else
                FormatText(text, sizeof(text), "%s%c", kHeaderTexts[field], sep);
            AppendText(out, size - 2, text); // room for the line end
        }
    }
    size_t len = strlen(out);
    if (len)
        out[--len] = '\0'; // the last separator
    return (int)AppendText(out, size, "\r\n");
}

int CCdrExportFile::BeginExport()
{
    m_errorCode = CDR_ERROR_NONE;
    bool truncated = SetLength(0, 0) && SeekToBegin();
    int result = m_format == CDR_FORMAT_BINARY ? (truncated ? 1 : 0) : WriteHeader();
    m_recordCount = 0;
    return result;
}

int CCdrExportFile::WriteHeader()
{
    if (m_format == CDR_FORMAT_BINARY)
        return 0;
    if (g_Settings.CDRHeader == 0)
        return 1;
    char line[kLineSize];
    DWORD len = (DWORD)BuildLine(nullptr, line, sizeof(line));
    if (WriteBytes(line, len) != len)
    {
        m_errorCode = CDR_ERROR_WRITE;
        return 0;
    }
    return 1;
}

int CCdrExportFile::DecodeRecord(const uint8_t* bytes, DWORD remaining, CdrRecord* out)
{
    if (remaining == 0)
        return 0;
    if (bytes[0] != 1)
    {
        m_errorCode = CDR_ERROR_VERSION;
        return -1;
    }
    if (remaining < CDR_RECORD_SIZE)
    {
        m_errorCode = CDR_ERROR_RECORD_SIZE;
        return -1;
    }
    // The called number's length byte lies after the caller id: test the
    // caller id's length first so that it is never looked for past the record.
    unsigned l1 = bytes[15];
    if (l1 >= 48 || l1 + bytes[16 + l1] >= 48)
    {
        m_errorCode = CDR_ERROR_FORMAT;
        return -1;
    }
    unsigned l2 = bytes[16 + l1];

    memset(out, 0, sizeof(*out));
    out->callType = bytes[1];
    out->time.wDay = bytes[2];
    out->time.wMonth = bytes[3];
    out->time.wYear = (WORD)(bytes[4] + 2000);
    out->time.wHour = bytes[5];
    out->time.wMinute = bytes[6];
    out->time.wSecond = bytes[7];
    out->cause = bytes[8];
    out->inPortType = bytes[9] >> 5;
    out->inPortNumber = bytes[9] & 0x1F;
    out->outPortType = bytes[10] >> 5;
    out->outPortNumber = bytes[10] & 0x1F;
    out->callLength = ((uint32_t)bytes[11] << 24) | ((uint32_t)bytes[12] << 16) | ((uint32_t)bytes[13] << 8) | bytes[14];
    memcpy(out->callerId, bytes + 16, l1);
    out->callerId[l1] = '\0';
    memcpy(out->calledNumber, bytes + 17 + l1, l2);
    out->calledNumber[l2] = '\0';
    return (int)CDR_RECORD_SIZE;
}

int CCdrExportFile::FormatRecord(const CdrRecord& record)
{
    char line[kLineSize];
    DWORD len = (DWORD)BuildLine(&record, line, sizeof(line));
    if (WriteBytes(line, len) != len)
    {
        m_errorCode = CDR_ERROR_WRITE;
        return 0;
    }
    return 1;
}

int CCdrExportFile::WriteRecords(const uint8_t* bytes, DWORD length)
{
    m_errorCode = CDR_ERROR_NONE;
    if (m_format == CDR_FORMAT_BINARY)
    {
        // The device's records unchanged. A failed write is an error like a
        // failed text line, so that the download stops and the user is told.
        if (length && WriteBytes(bytes, length) != length)
        {
            m_errorCode = CDR_ERROR_WRITE;
            return 0;
        }
        m_recordCount += length / CDR_RECORD_SIZE;
        return 1;
    }

    // Decode first: the good records before a bad one are written either way.
    DWORD good = 0, offset = 0;
    CdrRecord record;
    for (;;)
    {
        int n = DecodeRecord(bytes + offset, length - offset, &record);
        if (n <= 0)
            break;
        ++good;
        offset += (DWORD)n;
    }
    if (offset < length && m_errorCode == CDR_ERROR_NONE)
        m_errorCode = CDR_ERROR_RECORD_SIZE;

    DWORD decodeError = m_errorCode;
    for (DWORD i = 0; i < good; ++i)
    {
        DecodeRecord(bytes + i * CDR_RECORD_SIZE, length - i * CDR_RECORD_SIZE, &record);
        if (!FormatRecord(record))
            break;
        ++m_recordCount;
    }
    if (m_errorCode == CDR_ERROR_NONE)
        m_errorCode = decodeError;
    return m_errorCode == CDR_ERROR_NONE ? 1 : 0;
}

bool CCdrExportFile::ProposeFileName(const char* folder, DWORD format, const SYSTEMTIME& date, char* out, size_t size)
{
    if (!out || size == 0)
        return false;
    char dir[MAX_PATH];
    CopyText(dir, sizeof(dir), folder ? folder : "");
    size_t len = strlen(dir);
    if (len && dir[len - 1] != '\\')
        AppendText(dir, sizeof(dir), "\\");
    const char* ext = format == CDR_FORMAT_TEXT_TAB ? "TXT" : format == CDR_FORMAT_BINARY ? "BIN" : "CSV";
    int yy = date.wYear % 100, mm = date.wMonth, dd = date.wDay;

    FormatText(out, size, "%sCDR%02d%02d%02d.%s", dir, yy, mm, dd, ext);
    // A name is taken whenever something of that name is there, also a file
    // another program holds open without sharing (a spreadsheet showing the
    // last export), which a probe that opens the file would miss.
    for (int n = 1; n <= 100 && ::GetFileAttributesA(out) != INVALID_FILE_ATTRIBUTES; ++n)
        FormatText(out, size, "%sCDR%02d%02d%02d_%02d.%s", dir, yy, mm, dd, n, ext);
    return true;
}
