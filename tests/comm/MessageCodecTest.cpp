#include <gtest/gtest.h>
#include "comm/DeviceMessage.h"
#include <vector>

namespace
{
typedef std::vector<BYTE> Bytes;

Bytes Wire(const CDeviceMessage* message)
{
    return Bytes(message->bytes, message->bytes + MessageLength(message));
}

Bytes Whole(const CDeviceMessage* message)
{
    return Bytes(message->bytes, message->bytes + MESSAGE_BUFFER_SIZE);
}

struct MessageGuard
{
    explicit MessageGuard(BYTE type) : m(AllocMessage(type)) {}
    ~MessageGuard() { FreeMessage(m); }
    CDeviceMessage* m;
};
} // namespace

TEST(MessageCodec, ElementsKeepAscendingTagOrderAndInsertionOrderForEqualTags)
{
    MessageGuard msg(MSG_TYPE_REQUEST);
    AddIEBytes(msg.m, IE_PASSWORD, 2, 'x', 0);
    AddIEBytes(msg.m, IE_ADDRESS, 4, 0x60, 0x00, 0x01, 0x80);
    AddIE(msg.m, IE_DOWNLOAD_DATA, 0, nullptr);
    AddIEBytes(msg.m, IE_ADDRESS, 1, 0x77); // a second element with the same tag
    SetChecksum(msg.m);
    const Bytes expected = { 0xA1, 15, 0x42, 0, 0x46, 4, 0x60, 0x00, 0x01, 0x80, 0x46, 1, 0x77, 0xD1, 2, 'x', 0 };
    Bytes wire = Wire(msg.m);
    ASSERT_EQ(expected.size() + 1, wire.size());
    EXPECT_EQ(expected, Bytes(wire.begin(), wire.end() - 1));
    EXPECT_TRUE(VerifyChecksum(msg.m));

    // FindIE gives the first of equal tags.
    const BYTE* address = FindIE(msg.m, IE_ADDRESS);
    ASSERT_TRUE(address != nullptr);
    EXPECT_EQ(4, address[1]);
    EXPECT_EQ(nullptr, FindIE(msg.m, IE_CAUSE));

    // CopyIE inserts a whole element in its place too.
    MessageGuard copy(MSG_TYPE_POSITIVE);
    AddIE(copy.m, IE_PASSWORD, 0, nullptr);
    ASSERT_EQ(1, CopyIE(copy.m, address));
    EXPECT_EQ((Bytes{ 0xA2, 8, 0x46, 4, 0x60, 0x00, 0x01, 0x80, 0xD1, 0 }), Bytes(copy.m->bytes, copy.m->bytes + 10));
}

TEST(MessageCodec, ElementAreaIsLimitedTo255Bytes)
{
    MessageGuard msg(MSG_TYPE_REQUEST);
    BYTE data[255];
    for (int i = 0; i < 255; ++i)
        data[i] = static_cast<BYTE>(i);
    ASSERT_EQ(1, AddIE(msg.m, IE_UPLOAD_DATA, 200, data));
    SetChecksum(msg.m);
    const Bytes before = Whole(msg.m);

    // 202 + 52 + 2 = 256: refused, nothing changes (checksum included).
    EXPECT_EQ(0, AddIE(msg.m, IE_ADDRESS, 52, data));
    EXPECT_EQ(before, Whole(msg.m));
    EXPECT_EQ(0, AddIE(msg.m, IE_CAUSE, 255, data));
    EXPECT_EQ(before, Whole(msg.m));

    // Exactly 255 is accepted; the message is then 258 bytes on the wire.
    EXPECT_EQ(1, AddIE(msg.m, IE_ADDRESS, 51, data));
    EXPECT_EQ(255, msg.m->bytes[1]);
    SetChecksum(msg.m);
    EXPECT_EQ(258, MessageLength(msg.m));
    EXPECT_TRUE(VerifyChecksum(msg.m));
    EXPECT_EQ(0, AddIE(msg.m, IE_EVENT_ACK, 0, nullptr));
}

TEST(MessageCodec, LyingElementLengthIsReadAsTruncated)
{
    // N = 4, but the element claims 200 data bytes.
    CDeviceMessage raw = { { 0xA2, 4, 0x16, 200, '3', '.' } };
    const BYTE* data = nullptr;
    int length = -1;
    ASSERT_TRUE(GetIE(&raw, IE_FIRMWARE_VERSION, &data, &length));
    EXPECT_EQ(2, length);
    EXPECT_EQ('3', data[0]);

    // An element whose tag is the last byte of the area has no data at all.
    CDeviceMessage tail = { { 0xA2, 3, 0x12, 0, 0x16 } };
    ASSERT_TRUE(GetIE(&tail, IE_FIRMWARE_VERSION, &data, &length));
    EXPECT_EQ(0, length);

    // A full area ending in a lying element stays inside the 258 bytes.
    CDeviceMessage full = {};
    full.bytes[0] = 0xA2;
    full.bytes[1] = 255;
    full.bytes[2] = 0x12;
    full.bytes[3] = 251;
    full.bytes[2 + 253] = 0x16;
    full.bytes[2 + 254] = 255;
    ASSERT_TRUE(GetIE(&full, IE_FIRMWARE_VERSION, &data, &length));
    EXPECT_EQ(0, length);
    EXPECT_EQ(nullptr, FindIE(&full, IE_CAUSE));
}
