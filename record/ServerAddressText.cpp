#include "record/ServerAddressText.h"
#include "record/ConfigRecord.h"
#include "base/TextUtil.h"
#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{
// The decimal value of the leading digits of text (at most maxDigits of
// them when given), saturated; 0 without digits.
int LeadingNumber(const char* text, size_t maxDigits = SIZE_MAX)
{
    long long value = 0;
    for (size_t i = 0; i < maxDigits && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return (int)value;
}

bool IsSeparator(char c)
{
    return c == '.' || c == ' ';
}
}

void ParseServerAddress(const char* field, char* host, size_t hostSize, int* port)
{
    // One byte more than the field, so the copy always ends in a terminator.
    char text[CFG_SERVER_ADDRESS_SIZE + 1] = {};
    for (size_t i = 0; i < CFG_SERVER_ADDRESS_SIZE; ++i)
    {
        unsigned char c = (unsigned char)field[i];
        if (c == 0 || c > 254)
            break;
        text[i] = (char)c;
    }
    if (hostSize > 0)
        host[0] = '\0';
    *port = 0;
    const char* colon = strchr(text, ':');
    if (text[0] == 'S' && colon)
    {
        size_t length = (size_t)(colon - text - 1);
        if (length > CFG_SERVER_HOST_MAX)
            length = CFG_SERVER_HOST_MAX;
        if (hostSize > 0)
        {
            if (length >= hostSize)
                length = hostSize - 1;
            memcpy(host, text + 1, length);
            host[length] = '\0';
        }
        *port = LeadingNumber(colon + 1);
    }
    else if (text[0] == 'N' && text[13] == 'P')
    {
        FormatText(host, hostSize, "%d.%d.%d.%d", LeadingNumber(text + 1, 3), LeadingNumber(text + 4, 3),
                   LeadingNumber(text + 7, 3), LeadingNumber(text + 10, 3));
        *port = LeadingNumber(text + 14);
    }
}

bool ParseNumericHost(const char* host, int octets[4])
{
    int count = 0;
    const char* p = host;
    for (;;)
    {
        while (IsSeparator(*p))
            ++p;
        if (*p == '\0')
            break;
        const char* token = p;
        while (*p && !IsSeparator(*p))
            ++p;
        if (count == 4)
            return false;
        int value = LeadingNumber(token);
        if (value > 255)
            return false;
        if (value == 0)
            for (const char* c = token; c < p; ++c)
                if (*c != '0')
                    return false;
        octets[count++] = value;
    }
    return count == 4;
}

void BuildServerAddress(const char* host, int port, char* field)
{
    field[0] = '\0';
    if (!host || host[0] == '\0')
        return;
    char text[CFG_SERVER_ADDRESS_SIZE];
    int o[4];
    if (ParseNumericHost(host, o))
    {
        FormatText(text, sizeof(text), CFG_SERVER_NUMERIC_FORMAT, o[0], o[1], o[2], o[3], port);
    }
    else
    {
        char portText[16];
        int portLength = FormatText(portText, sizeof(portText), ":%d", port);
        // 'S', the host, the port and the terminator within the field.
        size_t hostRoom = CFG_SERVER_ADDRESS_SIZE - 2 - (size_t)portLength;
        size_t hostLength = strlen(host);
        if (hostLength > hostRoom)
            hostLength = hostRoom;
        text[0] = 'S';
        memcpy(text + 1, host, hostLength);
        CopyText(text + 1 + hostLength, sizeof(text) - 1 - hostLength, portText);
    }
    memcpy(field, text, strlen(text) + 1);
}
