#include "comm/DeviceProtocol.h"
#include "comm/CommLogCtrl.h"
#include "comm/Link.h"
#include "base/AppSettings.h"
#include "record/ConfigRecord.h"
#include <algorithm>
#include <cstring>

static_assert(ENGINE_IMAGE_SIZE == CFG_RECORD_SIZE, "the image is the configuration record");

BYTE g_EngineImage[ENGINE_IMAGE_SIZE];

// The record's format word, forced on every upload, and the commit marker
// beside it.
static const DWORD kImageFormatWord = ConfigFormatWord;
static const DWORD kImageNetworkPartEnd = CFG_OFS_ISDN_LINKS;

// Regions of the image that a download skips: tables end at their first
// empty record (all 0xFF), unused space is never read.
enum SkipRule
{
    SKIP_TABLE,
    SKIP_TABLE_BY_ROUTING, // emptiness read from the routing rule of the same index
    SKIP_ALWAYS,
};

struct SkipRegion
{
    DWORD start;
    DWORD end;
    DWORD recordSize;
    DWORD records;
    SkipRule rule;
};

static const DWORD kRoutingRuleTable = CFG_OFS_ROUTING_RULES;

static const SkipRegion s_skipRegions[] = {
    { CFG_OFS_ROUTING_RULES, CFG_OFS_LCR_CLIP, 64, CFG_ROUTING_RULE_COUNT, SKIP_TABLE },
    { CFG_OFS_LCR_CLIP, CFG_OFS_CLIP_GSM, 36, CFG_LCR_CLIP_COUNT, SKIP_TABLE },
    { CFG_OFS_CLIP_GSM, CFG_OFS_ALARM, 36, CFG_CLIP_GSM_COUNT, SKIP_TABLE },
    { CFG_OFS_MOBILITY, CFG_OFS_ROUTING_COMPANION, 100, CFG_MOBILITY_COUNT, SKIP_TABLE },
    { CFG_OFS_ROUTING_COMPANION, CFG_OFS_HTTP_IN, 64, CFG_ROUTING_RULE_COUNT, SKIP_TABLE_BY_ROUTING },
    // The unused space, in two parts split at 327680.
    { CFG_OFS_UNUSED_4627C, 327680, 0, 0, SKIP_ALWAYS },
    { 327680, CFG_OFS_SIP_COMMON, 0, 0, SKIP_ALWAYS },
    { CFG_OFS_UNUSED_60200, CFG_OFS_SIP_TRUNKS, 0, 0, SKIP_ALWAYS },
    { CFG_OFS_SIP_TRUNKS, CFG_OFS_SIP_USERS, 768, CFG_SIP_TRUNK_COUNT, SKIP_TABLE },
    { CFG_OFS_SIP_USERS, CFG_OFS_TAIL, 768, CFG_SIP_USER_COUNT, SKIP_TABLE },
};

static bool IsErased(const BYTE* bytes, DWORD length)
{
    for (DWORD i = 0; i < length; ++i)
        if (bytes[i] != 0xFF)
            return false;
    return true;
}

int CopyToImage(BYTE* image, const BYTE* data, DWORD offset, int length)
{
    if (offset >= ENGINE_IMAGE_SIZE || length <= 0)
        return 0;
    if (static_cast<DWORD>(length) > ENGINE_IMAGE_SIZE - offset)
        length = static_cast<int>(ENGINE_IMAGE_SIZE - offset);
    memcpy(image + offset, data, length);
    return length;
}

int CopyFromImage(const BYTE* image, BYTE* out, DWORD offset, int length)
{
    if (offset >= ENGINE_IMAGE_SIZE || length <= 0)
        return 0;
    int copied = length;
    if (static_cast<DWORD>(copied) > ENGINE_IMAGE_SIZE - offset)
        copied = static_cast<int>(ENGINE_IMAGE_SIZE - offset);
    memcpy(out, image + offset, copied);
    if (copied == length)
        return length;
    // The image end: pad with 0xFF to the next multiple of 8.
    const int padded = (copied + 7) & ~7;
    memset(out + copied, 0xFF, padded - copied);
    return padded;
}

DWORD SkipErasedRun(const BYTE* image, DWORD offset)
{
    if (offset >= ENGINE_IMAGE_SIZE)
        return offset;
    DWORD result = offset;
    DWORD pos = offset;
    while (pos < ENGINE_IMAGE_SIZE && image[pos] == 0xFF)
    {
        ++pos;
        if ((pos & 7) == 0)
            result = pos;
    }
    if (pos >= ENGINE_IMAGE_SIZE)
        return ENGINE_IMAGE_SIZE;
    return result;
}

DWORD NextDownloadOffset(BYTE* image, DWORD offset)
{
    for (const SkipRegion& region : s_skipRegions)
    {
        if (!(region.start < offset && offset < region.end))
            continue;
        if (region.rule == SKIP_ALWAYS)
        {
            memset(image + region.start, 0xFF, region.end - region.start);
            return region.end;
        }
        const DWORD emptinessBase = region.rule == SKIP_TABLE_BY_ROUTING ? kRoutingRuleTable : region.start;
        for (DWORD i = 1; i < region.records; ++i)
        {
            if (region.start + i * region.recordSize >= offset)
                return offset; // nothing to skip yet
            if (IsErased(image + emptinessBase + (i - 1) * region.recordSize, region.recordSize))
            {
                const DWORD from = region.start + i * region.recordSize;
                memset(image + from, 0xFF, region.end - from);
                return region.end;
            }
        }
        return offset;
    }
    return offset;
}

// ---------------------------------------------------------------------------
// The window of block requests both transfers keep in flight

void CDeviceProtocol::ResetTransferWindow()
{
    m_requestedOffset = m_expectedOffset = m_nextOffset = 0;
    m_pending = 0;
    m_window = g_Settings.DataReadWriteMaxPendingRequests ? g_Settings.DataReadWriteMaxPendingRequests : 1;
}

// Sends the request of the block at m_nextOffset (its data element added by
// the caller) and reports the progress unless it is a repeat.
void CDeviceProtocol::SendWindowRequest(CDeviceMessage* message, int progressStatus, BOOL quiet)
{
    const DWORD address = DEVICE_IMAGE_BASE + m_nextOffset;
    AddIEBytes(message, IE_ADDRESS, 4, address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF);
    AddPassword(message, m_password);
    SetChecksum(message);
    m_requestedOffset = m_nextOffset;
    Send(message);
    if (m_timer)
        m_lastRequestUs = m_timer->NowMicroseconds();
    if (!quiet)
        PostStatus(progressStatus, ProgressPercent(m_requestedOffset, ENGINE_IMAGE_SIZE));
    ++m_pending;
    // Right after a paced request the thread has the pacing delay to spare:
    // the communication log writes its lines now, within a third of it,
    // rather than whenever its own timer falls, perhaps when the next
    // request is due.
    if (m_commLog && g_Settings.DataReadWriteRequestDelay)
        m_commLog->WriteCollectedWithin(g_Settings.DataReadWriteRequestDelay / 3);
}

bool CDeviceProtocol::WindowHasRoom() const
{
    return m_pending < m_window && m_nextOffset < ENGINE_IMAGE_SIZE;
}

// What is left of the pacing delay in microseconds, counted from when the
// previous request went out (so that handling an answer or writing the log
// adds nothing to the gap).
ULONGLONG CDeviceProtocol::PacingLeftUs()
{
    const ULONGLONG delayUs = static_cast<ULONGLONG>(g_Settings.DataReadWriteRequestDelay) * 1000;
    if (!delayUs || !m_timer)
        return 0;
    const ULONGLONG elapsedUs = m_timer->NowMicroseconds() - m_lastRequestUs;
    return elapsedUs >= delayUs ? 0 : delayUs - elapsedUs;
}

bool CDeviceProtocol::PacingDue()
{
    const ULONGLONG left = PacingLeftUs();
    if (left == 0)
        return true;
    if (left > 2000)
        return false;
    // The timer ends in the last millisecond before the request is due: the
    // rest is waited here, so that the gap is the setting, never less and
    // hardly more.
    const DWORD start = ::GetTickCount();
    while (PacingLeftUs() != 0 && ::GetTickCount() - start < 5)
        ::Sleep(0);
    return true;
}

// With room in the window and blocks left: the rest of the pacing delay;
// otherwise the time-out of the answers in flight.
void CDeviceProtocol::StartWindowTimer(UINT answerTimeout)
{
    if (WindowHasRoom())
    {
        const UINT wait = static_cast<UINT>(PacingLeftUs() / 1000);
        StartTimer(wait ? wait : 1);
    }
    else
    {
        StartTimer(answerTimeout);
    }
}

// An acknowledged block frees its place in the window. True when the window
// was full: its time-out is stopped and the caller asks for the next block.
bool CDeviceProtocol::FreeWindowPlace()
{
    const bool wasFull = m_pending >= m_window;
    if (wasFull)
        StopTimer();
    if (m_pending > 0)
        --m_pending;
    return wasFull;
}

// A cancelled transfer awaits nothing more and is ended as cancelled.
void CDeviceProtocol::CancelTransfer(const char* logLine, int endStatus)
{
    m_requestedOffset = 0;
    m_retries = 0;
    m_state = ENGINE_READY;
    StopTimer();
    Log("%s", logLine);
    PostStatus(endStatus, ENGINE_RESULT_CANCELLED);
}

// ---------------------------------------------------------------------------
// Download

int CDeviceProtocol::StartDataDownload()
{
    if (!EnsureLogin())
        return 0;
    // Short blocks and skipped tables must not leave an earlier transfer's
    // bytes in the image.
    memset(m_image, 0xFF, ENGINE_IMAGE_SIZE);
    ResetTransferWindow();
    m_blockSize = DOWNLOAD_BLOCK_SIZE;
    m_retries = 0;
    m_state = ENGINE_DOWNLOAD;
    Log("Start data download");
    PostStatus(ENGINE_STATUS_TRANSFER_STARTED, 0); // ahead of the first answer
    RequestDataBlock(FALSE);
    return 1;
}

int CDeviceProtocol::RequestDataBlock(BOOL quiet)
{
    if (m_state != ENGINE_DOWNLOAD)
        return 0;
    if (m_nextOffset >= ENGINE_IMAGE_SIZE)
    {
        // Nothing is left to ask for: wait for the answers in flight.
        StartTimer(g_Settings.CommunicationTimeoutDataRead);
        return 0;
    }
    if (!EnsureLogin())
    {
        // The link is gone: let the time-out rewind and count it, so that
        // the download ends instead of waiting for ever.
        m_pending = m_window;
        StartTimer(g_Settings.CommunicationTimeoutDataRead);
        return 0;
    }
    // Without a pacing delay the window is filled at once; the timer then
    // only times out the answers.
    do
    {
        CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
        AddIE(message, IE_DOWNLOAD_DATA, 0, nullptr);
        SendWindowRequest(message, ENGINE_STATUS_DOWNLOAD_PROGRESS, quiet);
        m_nextOffset += DOWNLOAD_BLOCK_SIZE;
    } while (g_Settings.DataReadWriteRequestDelay == 0 && WindowHasRoom());
    StartWindowTimer(g_Settings.CommunicationTimeoutDataRead);
    m_state = ENGINE_DOWNLOAD;
    return 1;
}

int CDeviceProtocol::CancelDataDownload()
{
    CancelTransfer("Cancel data download", ENGINE_STATUS_DOWNLOAD_ENDED);
    return 1;
}

void CDeviceProtocol::RewindDownload()
{
    m_nextOffset = m_expectedOffset;
    m_pending = 0;
    RequestDataBlock(TRUE);
    ++m_retries;
}

// A 4-byte address element equal to the expected one; anything else
// (missing, another length, another address) is a mismatch.
static bool AddressMatches(const CDeviceMessage* message, DWORD expected, DWORD* received)
{
    const BYTE* data;
    int length;
    *received = 0;
    if (!GetIE(message, IE_ADDRESS, &data, &length))
        return false;
    if (length != 4)
        return false;
    *received = (static_cast<DWORD>(data[0]) << 24) | (data[1] << 16) | (data[2] << 8) | data[3];
    return *received == expected;
}

// The version answer of a query made before the transfer may arrive late:
// keep the versions, go on with the transfer.
bool CDeviceProtocol::TakeLateVersion(const CDeviceMessage* message)
{
    if (!FindIE(message, IE_FIRMWARE_VERSION))
        return false;
    StoreVersions(message, true, true);
    TakeSystemInfo(message);
    m_busy &= ~static_cast<DWORD>(BUSY_VERSION_QUERY | BUSY_SYSTEM_INFO);
    return true;
}

// Login step of a transfer's negative answer with cause 0x92: true when the
// user gave the password and the same transfer still runs.
bool CDeviceProtocol::TransferLogin(int endStatus)
{
    const int state = m_state;
    if (m_retries == 3)
        m_retries = 2;
    if (!AskPassword())
    {
        if (m_state == state)
        {
            PostStatus(endStatus, ENGINE_RESULT_LOGIN_REFUSED);
            m_state = ENGINE_READY;
        }
        return false;
    }
    return m_state == state;
}

// A transfer's negative answer: asks the password when the device wants it,
// ends the transfer when it is not allowed or refused a third time. True
// when the caller repeats its request.
bool CDeviceProtocol::TransferRefused(const CDeviceMessage* message, int endStatus)
{
    StopTimer();
    const BYTE cause = CauseOf(message);
    if (cause == CAUSE_LOGIN_REQUIRED)
    {
        if (!TransferLogin(endStatus))
            return false;
    }
    else if (cause == CAUSE_NOT_ALLOWED)
    {
        m_state = ENGINE_READY;
        PostStatus(ENGINE_STATUS_NOT_ALLOWED, 0);
        return false;
    }
    if (m_retries >= 3)
    {
        FormatCause(message);
        PostStatus(endStatus, ENGINE_RESULT_NEGATIVE);
        m_state = ENGINE_READY;
        return false;
    }
    return true;
}

void CDeviceProtocol::OnDownloadAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_NEGATIVE)
    {
        if (!m_loginPromptOpen && TransferRefused(message, ENGINE_STATUS_DOWNLOAD_ENDED))
            RewindDownload();
        return;
    }
    if (MessageType(message) != MSG_TYPE_POSITIVE)
        return;
    if (TakeLateVersion(message))
        return;

    if (FindIE(message, IE_ADDRESS))
    {
        DWORD received;
        if (!AddressMatches(message, DEVICE_IMAGE_BASE + m_expectedOffset, &received))
        {
            Log("Invalid address (%08X)", static_cast<unsigned>(received));
            if (received < DEVICE_IMAGE_BASE + m_expectedOffset)
                Log("Skip");
            return;
        }
    }
    const BYTE* data;
    int length;
    if (!GetIE(message, IE_DOWNLOAD_DATA, &data, &length))
    {
        Log("Missing data IE");
        return;
    }
    // A block of another length than asked for (a cut or damaged element)
    // is no block: taking it would leave the rest of the block with bytes
    // the device does not hold and end the download as if all was read. It
    // counts as missing; the time-out asks for it again. Only the last
    // block may stop at the image end.
    const int wanted = static_cast<int>(std::min<DWORD>(DOWNLOAD_BLOCK_SIZE, ENGINE_IMAGE_SIZE - m_expectedOffset));
    if (length < wanted)
    {
        Log("Data IE too short (%d)", length);
        return;
    }
    if (length > DOWNLOAD_BLOCK_SIZE)
    {
        Log("Data IE too long (%d)", length);
        return;
    }

    const bool timerStopped = FreeWindowPlace();

    CopyToImage(m_image, data, m_expectedOffset, length);
    m_expectedOffset += DOWNLOAD_BLOCK_SIZE;

    const DWORD next = NextDownloadOffset(m_image, m_expectedOffset);
    if (next > m_expectedOffset)
    {
        Log("Skip %d B", static_cast<int>(next - m_expectedOffset));
        m_expectedOffset = next;
    }
    if (m_expectedOffset > m_nextOffset)
    {
        // Requests already made for skipped space are abandoned.
        m_nextOffset = m_expectedOffset;
        m_pending = 0;
    }

    if (m_expectedOffset >= ENGINE_IMAGE_SIZE)
    {
        StopTimer();
        PostStatus(ENGINE_STATUS_DOWNLOAD_PROGRESS, 100);
        PostStatus(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_OK);
        m_state = ENGINE_READY;
        m_retries = 0;
        return;
    }
    if (timerStopped)
    {
        if (PacingDue())
            RequestDataBlock(FALSE);
        else
            StartWindowTimer(g_Settings.CommunicationTimeoutDataRead);
    }
    m_retries = 0;
}

void CDeviceProtocol::OnDownloadTimeout()
{
    if (m_pending >= m_window || m_nextOffset >= ENGINE_IMAGE_SIZE)
    {
        // A real time-out (also when nothing is left to ask for): rewind.
        RewindDownload();
        return;
    }
    // The pacing delay ran out.
    if (PacingDue())
        RequestDataBlock(FALSE);
    else
        StartWindowTimer(g_Settings.CommunicationTimeoutDataRead);
}

// ---------------------------------------------------------------------------
// Upload

int CDeviceProtocol::StartDataUpload(const void* record, BOOL withoutNetwork)
{
    if (!record && m_state != ENGINE_UPLOAD_START)
        return 0;
    if (!EnsureLogin())
    {
        if (!record)
        {
            // A repeat with the link gone counts, so the upload ends.
            ++m_retries;
            StartTimer(g_Settings.CommunicationTimeoutDataWriteStart);
        }
        return 0;
    }
    if (record)
    {
        memcpy(m_image, record, ENGINE_IMAGE_SIZE);
        memcpy(m_image, &kImageFormatWord, 4);
        m_image[4] = 0xFF;
        m_image[5] = 0xFF;
        m_busy &= ~static_cast<DWORD>(BUSY_UPLOAD_RESTARTED);
        if (withoutNetwork)
            memset(m_image + 4, 0xFF, kImageNetworkPartEnd - 4);
    }
    else
    {
        withoutNetwork = m_uploadWithoutNetwork;
    }
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_UPLOAD_SIZE, 4, ENGINE_IMAGE_SIZE >> 24, (ENGINE_IMAGE_SIZE >> 16) & 0xFF,
               (ENGINE_IMAGE_SIZE >> 8) & 0xFF, ENGINE_IMAGE_SIZE & 0xFF);
    AddIEBytes(message, IE_ADDRESS, 4, 0x60, 0x00, 0x00, 0x00);
    if (withoutNetwork)
        AddIEBytes(message, IE_UPLOAD_FLAG, 1, 1);
    AddPassword(message, m_password);
    SetChecksum(message);
    Log("Start data upload");
    PostStatus(ENGINE_STATUS_UPLOAD_STARTED, 0); // ahead of the answer
    Send(message);
    StartTimer(g_Settings.CommunicationTimeoutDataWriteStart);

    if (m_state == ENGINE_UPLOAD_START)
        ++m_retries;
    else
        m_retries = 0;
    m_state = ENGINE_UPLOAD_START;
    ResetTransferWindow();
    m_blockSize = 0;
    m_uploadWithoutNetwork = withoutNetwork ? 1 : 0;
    return 1;
}

// 208 bytes, cut at the end of the device's 64 KiB page.
int CDeviceProtocol::UploadBlockLength(DWORD offset)
{
    const DWORD address = DEVICE_IMAGE_BASE + offset;
    const DWORD last = address + UPLOAD_BLOCK_SIZE - 1;
    if ((address >> 16) != (last >> 16))
        return static_cast<int>(((address >> 16) + 1) * 0x10000 - address);
    return UPLOAD_BLOCK_SIZE;
}

int CDeviceProtocol::SendDataBlock(BOOL quiet)
{
    if (m_state != ENGINE_UPLOAD_START && m_state != ENGINE_UPLOAD_BLOCKS)
        return 0;
    if (!EnsureLogin())
    {
        m_pending = m_window; // the time-out rewinds and counts
        m_state = ENGINE_UPLOAD_BLOCKS;
        StartTimer(g_Settings.CommunicationTimeoutDataWrite);
        return 0;
    }
    while (m_nextOffset < ENGINE_IMAGE_SIZE)
    {
        BYTE block[UPLOAD_BLOCK_SIZE];
        const int length = CopyFromImage(m_image, block, m_nextOffset, UploadBlockLength(m_nextOffset));
        m_blockSize = length;
        CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
        AddIE(message, IE_UPLOAD_DATA, length, block);
        SendWindowRequest(message, ENGINE_STATUS_UPLOAD_PROGRESS, quiet);
        m_nextOffset += length;
        const DWORD skipped = SkipErasedRun(m_image, m_nextOffset);
        if (skipped > m_nextOffset)
        {
            Log("Skip %d B", static_cast<int>(skipped - m_nextOffset));
            m_nextOffset = skipped;
        }
        // Without a pacing delay the window is filled at once.
        if (g_Settings.DataReadWriteRequestDelay != 0 || !WindowHasRoom())
            break;
    }
    StartWindowTimer(g_Settings.CommunicationTimeoutDataWrite);
    m_state = ENGINE_UPLOAD_BLOCKS;
    return 1;
}

int CDeviceProtocol::StopDataUpload(BOOL repeat)
{
    if (m_state != ENGINE_UPLOAD_BLOCKS)
        return 0;
    if (!EnsureLogin())
    {
        StartTimer(g_Settings.CommunicationTimeoutDataWrite);
        if (repeat)
            ++m_retries;
        return 0;
    }
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_UPLOAD_STOP, 1, 0);
    SetChecksum(message);
    Log("Stop data upload");
    Send(message);
    StartTimer(g_Settings.CommunicationTimeoutDataWrite);
    if (repeat)
        ++m_retries;
    else
        m_retries = 0;
    return 1;
}

int CDeviceProtocol::CancelDataUpload()
{
    m_blockSize = 0;
    CancelTransfer("Cancel data upload", ENGINE_STATUS_UPLOAD_ENDED);
    return 1;
}

void CDeviceProtocol::RewindUpload()
{
    m_nextOffset = m_expectedOffset;
    m_pending = 0;
    SendDataBlock(TRUE);
    ++m_retries;
}

void CDeviceProtocol::OnUploadStartAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        if (FindIE(message, IE_RESET))
        {
            if (m_busy & BUSY_UPLOAD_RESTARTED)
            {
                // Restarted once already for this upload: give up, with no
                // cause of an earlier answer in the text.
                StopTimer();
                m_state = ENGINE_READY;
                FormatCause(nullptr, 0);
                PostStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_NEGATIVE);
                return;
            }
            AwaitRestart(ENGINE_UPLOAD_RESTART_BEFORE, g_Settings.CommunicationTimeoutSwitchToLoader);
            return;
        }
        if (FindIE(message, IE_UPLOAD_SIZE))
        {
            StopTimer();
            SendDataBlock(FALSE);
            return;
        }
        TakeLateVersion(message);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE || m_loginPromptOpen)
        return;
    if (TransferRefused(message, ENGINE_STATUS_UPLOAD_ENDED))
        StartDataUpload(nullptr, m_uploadWithoutNetwork);
}

void CDeviceProtocol::OnUploadBlockAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        if (FindIE(message, IE_ADDRESS))
        {
            DWORD received;
            if (!AddressMatches(message, DEVICE_IMAGE_BASE + m_expectedOffset, &received))
            {
                Log("Invalid address (%08X)", static_cast<unsigned>(received));
                return;
            }
            const bool timerStopped = FreeWindowPlace();
            m_expectedOffset += UploadBlockLength(m_expectedOffset);
            m_expectedOffset = SkipErasedRun(m_image, m_expectedOffset);
            if (m_expectedOffset >= ENGINE_IMAGE_SIZE)
            {
                StopDataUpload(TRUE);
                PostStatus(ENGINE_STATUS_UPLOAD_PROGRESS, 100);
                return;
            }
            if (timerStopped)
            {
                if (PacingDue())
                    SendDataBlock(FALSE);
                else
                    StartWindowTimer(g_Settings.CommunicationTimeoutDataWrite);
            }
            m_retries = 0;
            return;
        }
        if (FindIE(message, IE_UPLOAD_STOP))
        {
            StopTimer();
            PostStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK);
            Log("Data upload done");
            m_state = ENGINE_UPLOAD_RESTART_AFTER;
            m_retries = 0;
            m_restartWait = 0;
            StartTimer(g_Settings.CommunicationTimeoutSwitchToFirmware);
            return;
        }
        TakeLateVersion(message);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE || m_loginPromptOpen)
        return;
    if (TransferRefused(message, ENGINE_STATUS_UPLOAD_ENDED))
        RewindUpload();
}

void CDeviceProtocol::OnUploadStartTimeout()
{
    StartDataUpload(nullptr, m_uploadWithoutNetwork);
}

void CDeviceProtocol::OnUploadBlockTimeout()
{
    if (m_expectedOffset >= ENGINE_IMAGE_SIZE)
    {
        StopDataUpload(TRUE);
        return;
    }
    if (m_pending >= m_window || m_nextOffset >= ENGINE_IMAGE_SIZE)
    {
        // A real time-out (also when nothing is left to send): rewind.
        RewindUpload();
        return;
    }
    // The pacing delay ran out.
    if (PacingDue())
        SendDataBlock(FALSE);
    else
        StartWindowTimer(g_Settings.CommunicationTimeoutDataWrite);
}

void CDeviceProtocol::OnUploadRestartBeforeTimeout()
{
    if (!ReconnectStep())
        return;
    PostStatus(ENGINE_STATUS_LINK_STATE, 0);
    m_state = ENGINE_UPLOAD_START;
    m_busy |= BUSY_UPLOAD_RESTARTED;
    StartDataUpload(nullptr, m_uploadWithoutNetwork);
}

void CDeviceProtocol::OnUploadRestartAfterTimeout()
{
    if (m_link && m_link->State() == LINK_CLOSED)
    {
        if (m_link->IsSerial())
        {
            ++m_restartWait;
            if (m_restartWait < 20)
            {
                StartTimer(1000);
                return;
            }
        }
        m_link->Reconnect(m_hNotify);
    }
    PostStatus(ENGINE_STATUS_LINK_STATE, 0);
    PostStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK);
    AskAfterRestart(ENGINE_READY, false);
}
