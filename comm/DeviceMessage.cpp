#include "comm/DeviceMessage.h"
#include <cstdarg>
#include <cstring>

BYTE* AllocMessage(BYTE type)
{
    BYTE* message = static_cast<BYTE*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, MESSAGE_BUFFER_SIZE));
    if (message)
        message[0] = type;
    return message;
}

void FreeMessage(BYTE* message)
{
    if (message)
        ::HeapFree(::GetProcessHeap(), 0, message);
}

int AddIE(BYTE* message, BYTE tag, int length, const void* data)
{
    if (!message || length < 0 || length > 255)
        return 0;
    const int area = message[1];
    if (area + length + 2 > MESSAGE_MAX_ELEMENT_AREA)
        return 0;

    // Stop at the first element with a larger tag; equal tags keep their
    // order of insertion.
    BYTE* elements = message + 2;
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
    message[1] = static_cast<BYTE>(area + length + 2);
    return 1;
}

int AddIEBytes(BYTE* message, BYTE tag, int length, ...)
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

int CopyIE(BYTE* message, const BYTE* element)
{
    if (!element)
        return 0;
    return AddIE(message, element[0], element[1], element + 2);
}

const BYTE* FindIE(const BYTE* message, BYTE tag)
{
    if (!message)
        return nullptr;
    const int area = message[1];
    const BYTE* elements = message + 2;
    int pos = 0;
    while (pos < area)
    {
        if (elements[pos] == tag)
            return elements + pos;
        pos += elements[pos + 1] + 2;
    }
    return nullptr;
}

BYTE* FindIE(BYTE* message, BYTE tag)
{
    return const_cast<BYTE*>(FindIE(static_cast<const BYTE*>(message), tag));
}

int IEDataLength(const BYTE* message, const BYTE* element)
{
    if (!message || !element)
        return 0;
    const BYTE* areaEnd = message + 2 + message[1];
    const BYTE* data = element + 2;
    if (data >= areaEnd)
        return 0;
    const int available = static_cast<int>(areaEnd - data);
    return element[1] < available ? element[1] : available;
}

bool GetIE(const BYTE* message, BYTE tag, const BYTE** data, int* length)
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

BYTE CauseOf(const BYTE* message)
{
    const BYTE* cause;
    int length;
    return (GetIE(message, IE_CAUSE, &cause, &length) && length > 0) ? cause[0] : 0;
}

static BYTE MessageSum(const BYTE* message)
{
    BYTE sum = 0;
    const int end = 2 + message[1];
    for (int i = 0; i < end; ++i)
        sum = static_cast<BYTE>(sum + message[i]);
    return sum;
}

void SetChecksum(BYTE* message)
{
    message[2 + message[1]] = static_cast<BYTE>(0x100 - MessageSum(message));
}

bool VerifyChecksum(const BYTE* message)
{
    return static_cast<BYTE>(MessageSum(message) + message[2 + message[1]]) == 0;
}

bool IsValidMessageType(const BYTE* message)
{
    return message[0] == MSG_TYPE_REQUEST || message[0] == MSG_TYPE_POSITIVE || message[0] == MSG_TYPE_NEGATIVE;
}
