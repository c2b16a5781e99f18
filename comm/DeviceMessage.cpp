#include "comm/DeviceMessage.h"
#include <cstdarg>
#include <cstring>

CDeviceMessage* AllocMessage(BYTE type)
{
    CDeviceMessage* message =
        static_cast<CDeviceMessage*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CDeviceMessage)));
    if (message)
        message->bytes[0] = type;
    return message;
}

void FreeMessage(CDeviceMessage* message)
{
    if (message)
        ::HeapFree(::GetProcessHeap(), 0, message);
}

int AddIE(CDeviceMessage* message, BYTE tag, int length, const void* data)
{
    if (!message || length < 0 || length > 255)
        return 0;
    const int area = message->bytes[1];
    if (area + length + 2 > MESSAGE_MAX_ELEMENT_AREA)
        return 0;

    // Stop at the first element with a larger tag; equal tags keep their
    // order of insertion.
    BYTE* elements = message->bytes + 2;
    int pos = 0;
    while (pos < area && elements[pos] <= tag)
        pos += elements[pos + 1] + 2;
    if (pos > area)
        pos = area; // a stored element that overran the area: append after it

    memmove(elements + pos + length + 2, elements + pos, area - pos);
    elements[pos] = tag;
    elements[pos + 1] = static_cast<BYTE>(length);
    if (length > 0 && data)
        memcpy(elements + pos + 2, data, length);
    else if (length > 0)
        memset(elements + pos + 2, 0, length);
    message->bytes[1] = static_cast<BYTE>(area + length + 2);
    return 1;
}

int AddIEBytes(CDeviceMessage* message, BYTE tag, int length, ...)
{
    if (length < 0 || length > 255)
        return 0;
    BYTE data[255];
    va_list args;
    va_start(args, length);
    for (int i = 0; i < length; ++i)
        data[i] = static_cast<BYTE>(va_arg(args, int));
    va_end(args);
    return AddIE(message, tag, length, data);
}

int CopyIE(CDeviceMessage* message, const BYTE* element)
{
    if (!element)
        return 0;
    return AddIE(message, element[0], element[1], element + 2);
}

const BYTE* FindIE(const CDeviceMessage* message, BYTE tag)
{
    if (!message)
        return nullptr;
    const int area = message->bytes[1];
    const BYTE* elements = message->bytes + 2;
    int pos = 0;
    while (pos < area)
    {
        if (elements[pos] == tag)
            return elements + pos;
        pos += elements[pos + 1] + 2;
    }
    return nullptr;
}

BYTE* FindIE(CDeviceMessage* message, BYTE tag)
{
    return const_cast<BYTE*>(FindIE(static_cast<const CDeviceMessage*>(message), tag));
}

int IEDataLength(const CDeviceMessage* message, const BYTE* element)
{
    if (!message || !element)
        return 0;
    const BYTE* areaEnd = message->bytes + 2 + message->bytes[1];
    const BYTE* data = element + 2;
    if (data >= areaEnd)
        return 0;
    const int available = static_cast<int>(areaEnd - data);
    return element[1] < available ? element[1] : available;
}

bool GetIE(const CDeviceMessage* message, BYTE tag, const BYTE** data, int* length)
{
    const BYTE* element = FindIE(message, tag);
    if (!element)
        return false;
    if (data)
        *data = IEData(element);
    if (length)
        *length = IEDataLength(message, element);
    return true;
}

BYTE CauseOf(const CDeviceMessage* message)
{
    const BYTE* cause;
    int length;
    return (GetIE(message, IE_CAUSE, &cause, &length) && length > 0) ? cause[0] : 0;
}

// Type, N and the element area, kept to 8 bits.
static BYTE MessageSum(const BYTE* bytes)
{
    BYTE sum = 0;
    const int end = 2 + bytes[1];
    for (int i = 0; i < end; ++i)
        sum = static_cast<BYTE>(sum + bytes[i]);
    return sum;
}

void SetChecksum(CDeviceMessage* message)
{
    BYTE* bytes = message->bytes;
    bytes[2 + bytes[1]] = static_cast<BYTE>(0x100 - MessageSum(bytes));
}

bool VerifyChecksum(const CDeviceMessage* message)
{
    const BYTE* bytes = message->bytes;
    return static_cast<BYTE>(MessageSum(bytes) + bytes[2 + bytes[1]]) == 0;
}

bool IsValidMessageType(const CDeviceMessage* message)
{
    const BYTE type = MessageType(message);
    return type == MSG_TYPE_REQUEST || type == MSG_TYPE_POSITIVE || type == MSG_TYPE_NEGATIVE;
}
