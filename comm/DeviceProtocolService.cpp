#include "comm/DeviceProtocol.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/PathSettings.h"
#include "base/TextUtil.h"
#include <cstring>

// The service operations of the engine: firmware update through the loader,
// announcement update and CDR download. Each brings its state handlers into
// this table and its hooks below.

namespace
{
// Statuses of the service operations (WMU_ENGINE_STATUS).
const int kFlashProgress = 50;        // percentage
const int kFlashStarted = 51;         // start sent, and again when accepted
const int kFlashEnded = 52;
const int kAnnouncementProgress = 70; // percentage
const int kAnnouncementStarted = 71;
const int kAnnouncementEnded = 72;
const int kCdrStarted = 10;
const int kCdrEnded = 152;

// A block of firmware or of an announcement carries at most this many bytes;
// a shorter one is padded with 0xFF to a multiple of 8.
const int kServiceBlockSize = 208;

// The device's CDR ring: a block at a lower position is a wrap only near its
// end.
const DWORD kCdrRingSize = 0x800000;
const DWORD kCdrUnknownPosition = 0xFFFFFFFF;
const BYTE kCdrDefaultCount = 192;
const BYTE kCauseCdrRestart = 0x9A;

// An announcement's data start right after the checked header.
const DWORD kAnnouncementDataStart = CWaveFile::kHeaderSize;

// Erase waits in a row that do not count as failed tries.
const int kFreeEraseWaits = 4;

int PaddedLength(BYTE* buffer, int length)
{
    if (length < kServiceBlockSize && length % 8)
    {
        int padded = (length + 7) & ~7;
        memset(buffer + length, 0xFF, (size_t)(padded - length));
        return padded;
    }
    return length;
}

void PutBe32(BYTE* out, DWORD value)
{
    out[0] = (BYTE)(value >> 24);
    out[1] = (BYTE)(value >> 16);
    out[2] = (BYTE)(value >> 8);
    out[3] = (BYTE)value;
}

// A block of the firmware or of an announcement: its data (padded in place)
// and the address it goes to.
CDeviceMessage* BuildServiceBlock(BYTE dataTag, BYTE addressTag, BYTE* data, int length, DWORD address)
{
    length = PaddedLength(data, length);
    BYTE addressBytes[4];
    PutBe32(addressBytes, address);
    CDeviceMessage* message = AllocMessage(MSG_TYPE_REQUEST);
    if (!message)
        FatalAllocError(1);
    AddIE(message, dataTag, length, data);
    AddIE(message, addressTag, 4, addressBytes);
    SetChecksum(message);
    return message;
}

bool GetBe32(const CDeviceMessage* message, BYTE tag, DWORD* value)
{
    const BYTE* data;
    int length;
    if (!GetIE(message, tag, &data, &length) || length < 4)
        return false;
    *value = ((DWORD)data[0] << 24) | ((DWORD)data[1] << 16) | ((DWORD)data[2] << 8) | data[3];
    return true;
}

// The open-file dialog of the firmware and announcement commands.
int SelectServiceFile(HWND owner, const char* titleKey, const char* filterKey, char* path, int size)
{
    if (!path || size <= 0)
        return 0;
    char title[128] = "";
    g_Language.GetString(titleKey, title, sizeof(title));
    char filter[260];
    memset(filter, 0, sizeof(filter));
    g_Language.GetString(filterKey, filter, sizeof(filter) - 2);
    for (char* p = filter; *p; ++p)
        if (*p == '|')
            *p = '\0';

    char file[MAX_PATH];
    CopyText(file, sizeof(file), path);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter[0] ? filter : NULL;
    ofn.nFilterIndex = g_PathSettings.OpenSaveFilterCode;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrInitialDir = g_PathSettings.BrowsePathCode[0] ? g_PathSettings.BrowsePathCode : NULL;
    ofn.lpstrTitle = title[0] ? title : NULL;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING |
                OFN_EXPLORER;
    if (!::GetOpenFileNameA(&ofn))
        return 0;
    CopyText(path, (size_t)size, file);
    g_PathSettings.OpenSaveFilterCode = ofn.nFilterIndex;
    FolderOfFile(file, g_PathSettings.BrowsePathCode, sizeof(g_PathSettings.BrowsePathCode));
    return 1;
}
}

// In 64 bits: an image of more than 42 MB times 100 would wrap in 32.
int ProgressPercent(DWORD done, DWORD total)
{
    if (!total)
        return 0;
    return (int)((unsigned long long)done * 100 / total);
}

static const EngineStateHandler s_serviceHandlers[] = {
    { ENGINE_FLASH_START, &CDeviceProtocol::OnFlashStartAnswer, &CDeviceProtocol::OnFlashStartTimeout },
    { ENGINE_FLASH_WAIT_LOADER, nullptr, &CDeviceProtocol::OnFlashWaitLoaderTimeout },
    { ENGINE_FLASH_BLOCKS, &CDeviceProtocol::OnFlashBlockAnswer, &CDeviceProtocol::OnFlashBlockTimeout },
    { ENGINE_CDR_DOWNLOAD, &CDeviceProtocol::OnCdrAnswer, &CDeviceProtocol::OnCdrTimeout },
    { ENGINE_ANNOUNCEMENT_START, &CDeviceProtocol::OnAnnouncementStartAnswer, &CDeviceProtocol::OnAnnouncementStartTimeout },
    { ENGINE_ANNOUNCEMENT_BLOCKS, &CDeviceProtocol::OnAnnouncementBlockAnswer, &CDeviceProtocol::OnAnnouncementBlockTimeout },
};

const EngineStateHandler* GetServiceStateHandlers(int* count)
{
    *count = (int)(sizeof(s_serviceHandlers) / sizeof(s_serviceHandlers[0]));
    return s_serviceHandlers;
}

// An operation failed for lack of an answer (or a link that never came
// back): close its files on every such path.
void CDeviceProtocol::OnServiceFailure()
{
    if (m_state == ENGINE_FLASH_START || m_state == ENGINE_FLASH_WAIT_LOADER || m_state == ENGINE_FLASH_BLOCKS)
    {
        m_lmfFile.Close();
        m_busy &= ~static_cast<DWORD>(BUSY_FLASH_CANCEL);
    }
    else if (m_state == ENGINE_CDR_DOWNLOAD)
    {
        m_cdrFile.Close();
        m_cdrPosition = kCdrUnknownPosition;
    }
    else if (m_state == ENGINE_ANNOUNCEMENT_START || m_state == ENGINE_ANNOUNCEMENT_BLOCKS)
    {
        m_waveFile.Close();
        m_eraseCount = 0;
    }
}

// The loader restarted while a firmware update was starting or waiting for
// it: ask again.
void CDeviceProtocol::RestartFirmwareUpdate()
{
    RepeatFirmwareStart();
}

// The loader has no runnable firmware. The update starts by itself only
// with a firmware file loaded, and then from its first byte: whatever was
// written before the restart may be gone. Otherwise the "no firmware" status
// (already posted) is all there is, and nothing waits.
void CDeviceProtocol::StartFirmwareUpdateForNoFirmware()
{
    if (m_lmfFile.IsOpen() && m_lmfFile.GetBlockCount() > 0)
    {
        m_lmfFile.ResetProgress();
        StartFirmwareUpdate();
    }
}

// A start request repeated from a time-out or an event. When the link is not
// back, nothing goes out; the try still counts and the timer still runs, so
// that the update ends in time instead of waiting for ever with the frame
// disabled.
void CDeviceProtocol::RepeatFirmwareStart()
{
    const int retries = m_retries;
    const bool repeat = m_state == ENGINE_FLASH_START;
    if (StartFirmwareUpdate())
        return;
    // Counted from the tries before the attempt, whatever ran meanwhile.
    m_retries = retries;
    AwaitServiceAnswer(ENGINE_FLASH_START, g_Settings.CommunicationTimeoutFlashLoadStart, repeat);
}

void CDeviceProtocol::RepeatAnnouncementStart()
{
    const int retries = m_retries;
    const bool repeat = m_state == ENGINE_ANNOUNCEMENT_START;
    if (StartAnnouncementUpdate(m_announcementType))
        return;
    m_retries = retries;
    AwaitServiceAnswer(ENGINE_ANNOUNCEMENT_START, g_Settings.CommunicationTimeoutFlashLoadStart, repeat);
}

void CDeviceProtocol::RepeatCdrRequest(BOOL retry)
{
    const int retries = m_retries;
    if (StartCdrDownload(retry))
        return;
    m_retries = retries;
    AwaitServiceAnswer(ENGINE_CDR_DOWNLOAD, g_Settings.CommunicationTimeoutDataWrite, retry != FALSE);
}

// Waits for the answer to what was just sent: arms the time-out, counts a
// repeat as one more try (a first send starts the count afresh) and enters
// the state that takes the answer.
void CDeviceProtocol::AwaitServiceAnswer(int state, UINT timeout, bool repeat)
{
    StartTimer(timeout);
    m_retries = repeat ? m_retries + 1 : 0;
    m_state = state;
}

// The operation cannot go on for a fault on our side (no file, a file that
// cannot be read): it ends as failed, with no cause from the device.
void CDeviceProtocol::EndWithoutCause(const char* logLine, void (CDeviceProtocol::*end)(int))
{
    Log("%s", logLine);
    FormatCause(nullptr);
    (this->*end)(ENGINE_RESULT_NEGATIVE);
}

bool CDeviceProtocol::ServiceLogin(void (CDeviceProtocol::*end)(int))
{
    const int state = m_state;
    if (m_retries == 3)
        m_retries = 2;
    if (!AskPassword())
    {
        if (m_state == state)
            (this->*end)(ENGINE_RESULT_LOGIN_REFUSED);
        return false;
    }
    return m_state == state;
}

// The rest of a refused start: the password when the device asks for it,
// the end at the third refusal. True when the caller repeats its request.
bool CDeviceProtocol::ServiceRefused(const CDeviceMessage* message, BYTE cause, void (CDeviceProtocol::*end)(int))
{
    if (cause == CAUSE_LOGIN_REQUIRED && !ServiceLogin(end))
        return false;
    if (m_retries >= 3)
    {
        FormatCause(message);
        (this->*end)(ENGINE_RESULT_NEGATIVE);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Firmware update

int CDeviceProtocol::SelectFirmwareFile(char* path, int size)
{
    return SelectServiceFile(m_hNotify, "strFlashOpenFile", "strFlashFilter", path, size);
}

void CDeviceProtocol::EndFirmwareUpdate(int result)
{
    StopTimer();
    m_lmfFile.Close();
    m_busy &= ~static_cast<DWORD>(BUSY_FLASH_CANCEL);
    PostStatus(kFlashEnded, result);
    m_state = ENGINE_READY;
}

int CDeviceProtocol::StartFirmwareUpdate()
{
    if (!EnsureLogin())
        return 0;
    m_busy &= ~static_cast<DWORD>(BUSY_FLASH_CANCEL);
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_FLASH_START, 1, 1);
    AddPassword(message, m_password);
    SetChecksum(message);
    Log("Start firmware update");
    PostStatus(kFlashStarted, ENGINE_RESULT_NOTICE); // ahead of the answer
    Send(message);
    AwaitServiceAnswer(ENGINE_FLASH_START, g_Settings.CommunicationTimeoutFlashLoadStart, m_state == ENGINE_FLASH_START);
    return 1;
}

void CDeviceProtocol::LogFlashBlock()
{
    LmfBlock block;
    if (m_lmfFile.GetBlockInfo(&block))
        Log("Loading FLASH block: %08X - %08X", (unsigned)block.address, (unsigned)(block.address + block.size - 1));
}

int CDeviceProtocol::SendFirmwareBlock(BOOL retry)
{
    BYTE chunk[kServiceBlockSize];
    DWORD address = 0;
    const DWORD done = m_lmfFile.BytesDone();
    const int length = m_lmfFile.ReadChunk(chunk, kServiceBlockSize, &address);
    if (length <= 0)
    {
        // The file cannot give the chunk: the update cannot go on, and a
        // wait for an answer that never comes would keep the frame disabled.
        EndWithoutCause("Firmware file read error", &CDeviceProtocol::EndFirmwareUpdate);
        return 0;
    }
    Send(BuildServiceBlock(IE_FLASH_DATA, IE_FLASH_ADDRESS, chunk, length, address));
    if (!retry)
        PostStatus(kFlashProgress, ProgressPercent(done, m_lmfFile.TotalBytes()));
    AwaitServiceAnswer(ENGINE_FLASH_BLOCKS, g_Settings.CommunicationTimeoutFlashLoad, retry != FALSE);
    return 1;
}

int CDeviceProtocol::StopFirmwareUpdate(BOOL retry)
{
    m_busy &= ~static_cast<DWORD>(BUSY_FLASH_CANCEL);
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_FLASH_STOP, 0, nullptr);
    SetChecksum(message);
    Log("Stop firmware update");
    Send(message);
    AwaitServiceAnswer(ENGINE_FLASH_BLOCKS, g_Settings.CommunicationTimeoutFlashLoadEnd, retry != FALSE);
    return 1;
}

int CDeviceProtocol::CancelFirmwareUpdate(BOOL retry)
{
    if (m_state == ENGINE_FLASH_WAIT_LOADER)
    {
        // The link is closed while the device restarts into its loader:
        // nobody could hear a cancel, and nothing was written yet. The
        // update ends as cancelled now; the loader, left alone, is switched
        // back to its firmware when the link comes up again.
        Log("Cancel firmware update");
        EndFirmwareUpdate(ENGINE_RESULT_CANCELLED);
        return 1;
    }
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_FLASH_CANCEL, 0, nullptr);
    SetChecksum(message);
    Log("Cancel firmware update");
    Send(message);
    m_busy |= BUSY_FLASH_CANCEL;
    AwaitServiceAnswer(ENGINE_FLASH_BLOCKS, g_Settings.CommunicationTimeoutFlashLoad, retry != FALSE);
    return 1;
}

void CDeviceProtocol::OnFlashStartAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        if (FindIE(message, IE_RESET))
        {
            // The device restarts into its loader; ask again once it is back.
            AwaitRestart(ENGINE_FLASH_WAIT_LOADER, g_Settings.CommunicationTimeoutSwitchToLoader);
            return;
        }
        if (!FindIE(message, IE_FLASH_START))
            return;
        StopTimer();
        if (!m_lmfFile.IsOpen() || m_lmfFile.GetBlockCount() == 0)
        {
            // Nothing to write: the update ends as failed at once.
            EndWithoutCause("No firmware file loaded", &CDeviceProtocol::EndFirmwareUpdate);
            return;
        }
        LogFlashBlock();
        if (SendFirmwareBlock(FALSE))
            PostStatus(kFlashStarted, ENGINE_RESULT_NOTICE);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE || m_loginPromptOpen)
        return;
    StopTimer();
    const BYTE cause = CauseOf(message);
    if (cause == CAUSE_NOT_ALLOWED)
    {
        m_lmfFile.Close();
        PostStatus(ENGINE_STATUS_NOT_ALLOWED, 0);
        m_state = ENGINE_READY;
        return;
    }
    if (ServiceRefused(message, cause, &CDeviceProtocol::EndFirmwareUpdate))
        RepeatFirmwareStart();
}

void CDeviceProtocol::OnFlashBlockAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        DWORD address;
        if (!(m_busy & BUSY_FLASH_CANCEL) && GetBe32(message, IE_FLASH_ADDRESS, &address))
        {
            if (address != m_lmfFile.CurrentAddress())
            {
                // A stale acknowledgment: the time-out repeats the chunk.
                Log("Acknowledge of invalid address (%08X)", (unsigned)address);
                return;
            }
            StopTimer();
            int newBlock = 0;
            if (m_lmfFile.NextChunk(&newBlock))
            {
                if (newBlock)
                    LogFlashBlock();
                SendFirmwareBlock(FALSE);
            }
            else
            {
                StopFirmwareUpdate(FALSE);
                PostStatus(kFlashProgress, 100);
            }
            return;
        }
        if (FindIE(message, IE_FLASH_STOP))
        {
            StopTimer();
            m_lmfFile.Close();
            PostStatus(kFlashEnded, ENGINE_RESULT_OK);
            // The device restarts with its new firmware.
            AwaitRestart(ENGINE_SWITCHING_TO_FIRMWARE, g_Settings.CommunicationTimeoutSwitchToFirmware);
            return;
        }
        if (FindIE(message, IE_FLASH_CANCEL))
            EndFirmwareUpdate(ENGINE_RESULT_CANCELLED);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE)
        return;
    StopTimer();
    if (m_retries >= 3)
    {
        FormatCause(message);
        EndFirmwareUpdate(ENGINE_RESULT_NEGATIVE);
        return;
    }
    OnFlashBlockTimeout();
}

void CDeviceProtocol::OnFlashStartTimeout()
{
    RepeatFirmwareStart();
}

void CDeviceProtocol::OnFlashWaitLoaderTimeout()
{
    // A serial port comes back by itself; TCP is opened again here.
    if (!ReconnectStep())
        return;
    PostStatus(ENGINE_STATUS_LINK_STATE, 0);
    RepeatFirmwareStart();
}

void CDeviceProtocol::OnFlashBlockTimeout()
{
    if (m_busy & BUSY_FLASH_CANCEL)
        CancelFirmwareUpdate(TRUE);
    else if (m_lmfFile.BytesDone() < m_lmfFile.TotalBytes())
        SendFirmwareBlock(TRUE);
    else
        StopFirmwareUpdate(TRUE);
}

// ---------------------------------------------------------------------------
// Announcement update

int CDeviceProtocol::SelectAnnouncementFile(char* path, int size)
{
    return SelectServiceFile(m_hNotify, "strAnnouncementOpenFile", "strAnnouncementFilter", path, size);
}

void CDeviceProtocol::EndAnnouncementUpdate(int result)
{
    StopTimer();
    m_waveFile.Close();
    m_eraseCount = 0;
    PostStatus(kAnnouncementEnded, result);
    m_state = ENGINE_READY;
}

int CDeviceProtocol::StartAnnouncementUpdate(int type)
{
    if (!EnsureLogin())
        return 0;
    BYTE address[4];
    PutBe32(address, kAnnouncementDataStart);
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_ANNOUNCEMENT_START, 1, type);
    AddIE(message, IE_ADDRESS, 4, address);
    AddPassword(message, m_password);
    SetChecksum(message);
    PostStatus(kAnnouncementStarted, ENGINE_RESULT_NOTICE); // ahead of the answer
    Send(message);
    Log("Start announcements update");
    AwaitServiceAnswer(ENGINE_ANNOUNCEMENT_START, g_Settings.CommunicationTimeoutFlashLoadStart,
                       m_state == ENGINE_ANNOUNCEMENT_START);
    m_eraseCount = 0;
    m_announcementType = type;
    return 1;
}

int CDeviceProtocol::SendAnnouncementBlock(BOOL retry)
{
    BYTE block[kServiceBlockSize];
    const DWORD position = m_waveFile.Position();
    const DWORD left = m_waveFile.Size() > position ? m_waveFile.Size() - position : 0;
    const int expected = left < (DWORD)kServiceBlockSize ? (int)left : kServiceBlockSize;
    const int length = (int)m_waveFile.Read(block, kServiceBlockSize);
    if (length <= 0 || length < expected)
    {
        // The file cannot give the block (or gives less than it had when it
        // was checked): end now rather than wait, and never let a gap or a
        // cut announcement reach the device.
        EndWithoutCause("Announcement file read error", &CDeviceProtocol::EndAnnouncementUpdate);
        return 0;
    }
    Send(BuildServiceBlock(IE_ANNOUNCEMENT_DATA, IE_ADDRESS, block, length, position));
    if (!retry)
        PostStatus(kAnnouncementProgress, ProgressPercent(position, m_waveFile.Size()));
    AwaitServiceAnswer(ENGINE_ANNOUNCEMENT_BLOCKS, g_Settings.CommunicationTimeoutFlashLoad, retry != FALSE);
    return 1;
}

int CDeviceProtocol::StopAnnouncementUpdate(BOOL retry)
{
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_ANNOUNCEMENT_STOP, 1, 0);
    SetChecksum(message);
    Send(message);
    Log("Stop announcements update");
    AwaitServiceAnswer(ENGINE_ANNOUNCEMENT_BLOCKS, g_Settings.CommunicationTimeoutFlashLoad, retry != FALSE);
    m_eraseCount = 0;
    return 1;
}

int CDeviceProtocol::CancelAnnouncementUpdate()
{
    m_retries = 0;
    m_state = ENGINE_READY;
    m_eraseCount = 0;
    m_waveFile.Close();
    StopTimer();
    Log("Cancel announcements update");
    PostStatus(kAnnouncementEnded, ENGINE_RESULT_CANCELLED);
    return 1;
}

void CDeviceProtocol::OnAnnouncementStartAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        if (!FindIE(message, IE_ANNOUNCEMENT_START))
            return;
        StopTimer();
        if (!m_waveFile.IsOpen())
        {
            // Nothing to send: never tell the device a stop for no data.
            EndWithoutCause("No announcement file open", &CDeviceProtocol::EndAnnouncementUpdate);
            return;
        }
        if (SendAnnouncementBlock(FALSE))
            m_eraseCount = 0;
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE || m_loginPromptOpen)
        return;
    StopTimer();
    const BYTE cause = CauseOf(message);
    if (cause == CAUSE_LOGIN_REQUIRED)
    {
        if (ServiceLogin(&CDeviceProtocol::EndAnnouncementUpdate))
            RepeatAnnouncementStart();
        return;
    }
    if (cause == CAUSE_NOT_ALLOWED)
    {
        m_waveFile.Close();
        m_state = ENGINE_READY;
        PostStatus(ENGINE_STATUS_NOT_ALLOWED, 0);
        return;
    }
    FormatCause(message);
    EndAnnouncementUpdate(ENGINE_RESULT_NEGATIVE);
}

void CDeviceProtocol::OnAnnouncementBlockAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        DWORD address;
        if (FindIE(message, IE_ANNOUNCEMENT_DATA) && GetBe32(message, IE_ADDRESS, &address))
        {
            StopTimer();
            if (address != m_waveFile.Position())
            {
                Log("Acknowledge of invalid address (%08X)", (unsigned)address);
                StartTimer(1000); // the time-out repeats the block
                return;
            }
            m_eraseCount = 0;
            if (m_waveFile.Advance(nullptr, kServiceBlockSize) < 0)
            {
                StopAnnouncementUpdate(FALSE);
                PostStatus(kAnnouncementProgress, 100);
            }
            else
            {
                SendAnnouncementBlock(FALSE);
            }
            return;
        }
        if (FindIE(message, IE_FLASH_ERASE))
        {
            StopTimer();
            ++m_eraseCount;
            Log("Erasing flash sector");
            StartTimer(1000);
            return;
        }
        if (FindIE(message, IE_ANNOUNCEMENT_STOP))
            EndAnnouncementUpdate(ENGINE_RESULT_OK);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE)
        return;
    FormatCause(message);
    EndAnnouncementUpdate(ENGINE_RESULT_NEGATIVE);
}

void CDeviceProtocol::OnAnnouncementStartTimeout()
{
    RepeatAnnouncementStart();
}

void CDeviceProtocol::OnAnnouncementBlockTimeout()
{
    if (m_waveFile.Position() < m_waveFile.Size())
        SendAnnouncementBlock(TRUE);
    else
        StopAnnouncementUpdate(TRUE);
    // Up to four erase waits in a row are no failed tries.
    if (m_eraseCount >= 1 && m_eraseCount <= kFreeEraseWaits)
        m_retries = 0;
}

// ---------------------------------------------------------------------------
// CDR download

void CDeviceProtocol::EndCdrDownload(int result)
{
    StopTimer();
    m_cdrFile.Close();
    m_cdrPosition = kCdrUnknownPosition;
    PostStatus(kCdrEnded, result);
    m_state = ENGINE_READY;
}

int CDeviceProtocol::StartCdrDownload(BOOL retry)
{
    if (m_state != ENGINE_CDR_DOWNLOAD)
    {
        m_cdrPosition = kCdrUnknownPosition;
        m_cdrLastCount = -1;
        m_cdrBadRecord = 0;
    }
    const bool first = m_cdrPosition == kCdrUnknownPosition;
    if (first && !EnsureLogin())
        return 0;

    CDeviceMessage* message = NewRequest(m_cdrBadRecord ? MSG_TYPE_NEGATIVE : MSG_TYPE_REQUEST);
    if (first)
    {
        AddIE(message, IE_CDR_REQUEST, 0, nullptr);
    }
    else
    {
        AddIEBytes(message, IE_CDR_REQUEST, 1, m_cdrLastCount < 0 ? kCdrDefaultCount : m_cdrLastCount);
        BYTE position[4];
        PutBe32(position, m_cdrPosition);
        AddIE(message, IE_CDR_POSITION, 4, position);
    }
    if (m_cdrBadRecord)
        AddIEBytes(message, IE_CAUSE, 2, CAUSE_BAD_DATA, (int)(m_cdrBadRecord & 0xFF));
    AddPassword(message, m_password);
    SetChecksum(message);
    if (first)
        Log("Start CDR download");
    if (first)
        PostStatus(kCdrStarted, ENGINE_RESULT_NOTICE); // ahead of the answer
    Send(message);
    AwaitServiceAnswer(ENGINE_CDR_DOWNLOAD, g_Settings.CommunicationTimeoutDataWrite, retry != FALSE);
    return 1;
}

int CDeviceProtocol::CancelCdrDownload()
{
    m_cdrPosition = kCdrUnknownPosition;
    m_state = ENGINE_READY;
    StopTimer();
    Log("Cancel CDR download");
    PostStatus(kCdrEnded, ENGINE_RESULT_CANCELLED);
    return 1;
}

void CDeviceProtocol::OnCdrAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        const BYTE* block;
        int length;
        if (!GetIE(message, IE_CDR_REQUEST, &block, &length))
            return;
        DWORD position = 0;
        const bool hasPosition = GetBe32(message, IE_CDR_POSITION, &position);
        if (!hasPosition && length > 0)
        {
            Log("Address missing");
            return; // the time-out asks again
        }
        if (length > 0 && m_cdrPosition != kCdrUnknownPosition && position <= m_cdrPosition)
        {
            // Not forward: only the wrap of the device's ring is accepted.
            const bool wrap = position < (DWORD)length &&
                              (unsigned long long)m_cdrPosition + (DWORD)length >= kCdrRingSize;
            if (!wrap)
            {
                Log("Invalid address (%08X)", (unsigned)position);
                return;
            }
        }
        StopTimer();
        if (hasPosition)
            m_cdrPosition = position;
        if (length > 0)
            m_cdrLastCount = length;

        const DWORD before = m_cdrFile.GetRecordCount();
        if (m_cdrFile.WriteRecords(block, (DWORD)length))
        {
            m_cdrBadRecord = 0;
            if (length > 0)
            {
                m_retries = 0;
                StartCdrDownload(FALSE);
                return;
            }
            const DWORD records = m_cdrFile.GetRecordCount();
            if (records == 0)
                Log("No new CDR records");
            else
                Log("Got %d CDR records", (int)records);
            EndCdrDownload(ENGINE_RESULT_OK);
            return;
        }

        Log("CDR download error");
        m_causeText[0] = 0;
        if (m_cdrFile.GetErrorCode() == CDR_ERROR_WRITE)
        {
            // Our own disk failed, the records are fine: end at once and tell
            // the device nothing, so it keeps the records not yet written.
            m_cdrBadRecord = 0;
            EndCdrDownload(ENGINE_RESULT_NEGATIVE);
            return;
        }
        m_cdrBadRecord = m_cdrFile.GetRecordCount() - before + 1;
        if (m_retries >= 3)
        {
            EndCdrDownload(ENGINE_RESULT_NEGATIVE);
            return;
        }
        StartCdrDownload(TRUE);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE || m_loginPromptOpen)
        return;
    StopTimer();
    const BYTE cause = CauseOf(message);
    if (cause == kCauseCdrRestart)
    {
        // The device lost its place: start again from no position; the file
        // keeps what it has.
        m_state = ENGINE_READY;
        RepeatCdrRequest(FALSE);
        return;
    }
    if (cause == CAUSE_NOT_ALLOWED)
    {
        m_cdrFile.Close();
        m_cdrPosition = kCdrUnknownPosition;
        m_state = ENGINE_READY;
        PostStatus(ENGINE_STATUS_NOT_ALLOWED, 0);
        return;
    }
    if (ServiceRefused(message, cause, &CDeviceProtocol::EndCdrDownload))
        RepeatCdrRequest(TRUE);
}

void CDeviceProtocol::OnCdrTimeout()
{
    RepeatCdrRequest(TRUE);
}
