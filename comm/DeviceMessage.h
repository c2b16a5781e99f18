#pragma once
#include "wcl/Win.h"

const int MESSAGE_BUFFER_SIZE = 258;
const int MESSAGE_MAX_ELEMENT_AREA = 255;

// A protocol message exchanged with the device: the 258-byte buffer itself,
// in its wire layout. It is built and read through the functions below; its
// bytes go to the link and to the communication log as they are.
//   [0] type, [1] N = length of the element area (0..255),
//   [2 .. 1+N] information elements (tag, length L, L data bytes) in
//   ascending tag order, [2+N] checksum (bytes 0 .. 2+N sum to 0 mod 256).
// On the wire a message is its first N + 3 bytes.
// Whoever allocates a message owns it until CDeviceProtocol::Send, which
// takes it in every case; a received message is freed by the engine's
// dispatcher before it returns.
struct CDeviceMessage
{
    BYTE bytes[MESSAGE_BUFFER_SIZE];
};
static_assert(sizeof(CDeviceMessage) == MESSAGE_BUFFER_SIZE, "a message is its buffer, nothing more");

// Message types.
enum : BYTE
{
    MSG_TYPE_REQUEST = 0xA1,  // request of the program, or an event of the device
    MSG_TYPE_POSITIVE = 0xA2, // positive answer; also acknowledges a device event
    MSG_TYPE_NEGATIVE = 0xA3, // negative answer, carries IE_CAUSE
};

// Information-element tags.
enum : BYTE
{
    IE_LOADER_RESTART = 0x11,      // event: the loader started (board kind, number)
    IE_EVENT_ACK = 0x12,           // acknowledges a device event (empty)
    IE_FIRMWARE_RESTART = 0x13,    // event: the firmware started (board kind, number)
    IE_LOADER_VERSION = 0x15,      // empty = get system information; answer: loader version text
    IE_FIRMWARE_VERSION = 0x16,    // firmware version text; marks the system information answer
    IE_SYSTEM_INFO = 0x17,         // running program, board kind, number, board value
    IE_DEVICE_NAME = 0x18,         // device name text
    IE_VOIP_VERSION = 0x1A,        // VoIP module version text
    IE_FLASH_START = 0x21,         // start of a firmware update
    IE_FLASH_DATA = 0x22,          // one firmware block
    IE_FLASH_ADDRESS = 0x26,       // flash address of a firmware block
    IE_FLASH_CANCEL = 0x27,        // cancel a firmware update
    IE_NEW_PASSWORD = 0x28,        // new password with its NUL; in an answer: changed
    IE_FLASH_STOP = 0x29,          // finish a firmware update
    IE_MONITOR_START = 0x31,       // start monitoring; answer may carry trace text
    IE_MONITOR_STOP = 0x32,        // stop monitoring
    IE_MONITOR_TEXT = 0x33,        // monitor command text without NUL
    IE_KEEPALIVE = 0x34,           // keep-alive while monitoring
    IE_UPLOAD_SIZE = 0x40,         // configuration image size; in the answer: go ahead
    IE_UPLOAD_DATA = 0x41,         // one configuration block to the device
    IE_DOWNLOAD_DATA = 0x42,       // empty = read a block; answer: 128 bytes
    IE_ANNOUNCEMENT_START = 0x43,  // announcement type 0..3
    IE_ANNOUNCEMENT_DATA = 0x44,   // one block of announcement samples
    IE_FLASH_ERASE = 0x45,         // the device is erasing flash
    IE_ADDRESS = 0x46,             // 4-byte big-endian device address
    IE_ANNOUNCEMENT_STOP = 0x48,   // finish an announcement update
    IE_UPLOAD_STOP = 0x49,         // finish a configuration upload
    IE_CDR_REQUEST = 0x4A,         // CDR records
    IE_CDR_POSITION = 0x4B,        // CDR read position
    IE_SWITCH_TO_LOADER = 0x51,    // event: dropped without action
    IE_SWITCH_TO_FIRMWARE = 0x52,  // switch from the loader to the firmware
    IE_UPLOAD_FLAG = 0x55,         // 1: the upload carries no network part
    IE_DIAG_VOIP = 0x5F,           // VoIP trunk and user rows
    IE_DATE_TIME = 0x61,           // empty = get; 6 bytes = s, min, h, day, month, year - 2000
    IE_DIAG_ISDN_LINES = 0x62,     // ISDN line states
    IE_DIAG_CARD = 0x63,           // card entries
    IE_DIAG_GSM_CREDIT = 0x64,     // GSM credit entries
    IE_LAN_INFO = 0x66,            // LAN configuration record
    IE_MODULE_INFO = 0x67,         // GSM module number; answer: module type text
    IE_MODULE_IMEI = 0x68,         // IMEI text
    IE_MODULE_IMSI = 0x69,         // IMSI text
    IE_MODULE_NETWORK = 0x6A,      // network text
    IE_GSM_CELLS = 0x6C,           // module number; answer: 1 byte, then the cell text
    IE_DIAG_ISDN_CREDIT = 0x6D,    // ISDN credit entries
    IE_DIAG_GSM_STATISTICS = 0x6E, // GSM statistics
    IE_DIAG_GSM_USAGE = 0x6F,      // GSM usage value
    IE_CAUSE = 0x71,               // cause bytes of a negative answer
    IE_RESET = 0x81,               // device reset
    IE_GSM_MODULE_RESET = 0x82,    // GSM module number
    IE_POWER_DOWN = 0x83,          // event: the device powers down
    IE_DATE_EXTRA = 0x88,          // two kept bytes, then year - 2000
    IE_PASSWORD = 0xD1,            // device password with its NUL
};

// Cause values (byte 0 of IE_CAUSE).
enum : BYTE
{
    CAUSE_REFUSED = 0x83,
    CAUSE_LOGIN_REQUIRED = 0x92,
    CAUSE_NOT_ALLOWED = 0x94,
    CAUSE_BAD_DATA = 0x99,
    CAUSE_LAN_BUSY = 0x9C,
    CAUSE_NO_FIRMWARE = 0x9F,
};

// A new zero-filled 258-byte message (process heap) of the given type with an
// empty element area; NULL when the heap is exhausted.
CDeviceMessage* AllocMessage(BYTE type);
// Frees a message of AllocMessage or of the link (NULL is allowed).
void FreeMessage(CDeviceMessage* message);

// Insert an element, keeping the ascending tag order (an element with a tag
// already present goes after the existing ones). 1 = inserted; 0 = the
// element area would exceed 255 bytes, the message is left as it was.
int AddIE(CDeviceMessage* message, BYTE tag, int length, const void* data);
// As AddIE with the data bytes given one by one (addresses, indexes, dates).
int AddIEBytes(CDeviceMessage* message, BYTE tag, int length, ...);
// As AddIE with a whole element (tag, length, data).
int CopyIE(CDeviceMessage* message, const BYTE* element);

// The tag byte of the first element with that tag, or NULL.
BYTE* FindIE(CDeviceMessage* message, BYTE tag);
const BYTE* FindIE(const CDeviceMessage* message, BYTE tag);

// The data of an element found by FindIE and how many of its data bytes lie
// inside the element area: an element whose length byte claims more than the
// area holds is read as truncated, never past the message.
int IEDataLength(const CDeviceMessage* message, const BYTE* element);
inline const BYTE* IEData(const BYTE* element) { return element + 2; }

// Finds tag and gives its data and bounded length; false when absent.
bool GetIE(const CDeviceMessage* message, BYTE tag, const BYTE** data, int* length);
// The cause value of a refusal (byte 0 of IE_CAUSE); 0 when it has none.
BYTE CauseOf(const CDeviceMessage* message);

void SetChecksum(CDeviceMessage* message);
bool VerifyChecksum(const CDeviceMessage* message);
bool IsValidMessageType(const CDeviceMessage* message);

// The type byte (MSG_TYPE_*).
inline BYTE MessageType(const CDeviceMessage* message) { return message->bytes[0]; }
// N + 3: the length of the message on the wire.
inline int MessageLength(const CDeviceMessage* message) { return message->bytes[1] + 3; }
