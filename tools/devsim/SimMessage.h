#pragma once
// The device side of the protocol, written apart from the program's own code
// so that a fault shared by both cannot hide itself in the tests.
#include "wcl/Win.h"
#include <string>
#include <utility>
#include <vector>

namespace devsim
{
typedef std::vector<BYTE> Bytes;

enum : BYTE
{
    SIM_REQUEST = 0xA1,
    SIM_POSITIVE = 0xA2,
    SIM_NEGATIVE = 0xA3,
};

// One protocol message: type, elements (tag, data), checksum on encoding.
struct SimMessage
{
    BYTE type = SIM_REQUEST;
    std::vector<std::pair<BYTE, Bytes>> elements;

    SimMessage() = default;
    explicit SimMessage(BYTE t) : type(t) {}

    // Adds an element in tag order (after elements of the same tag).
    SimMessage& Add(BYTE tag, const Bytes& data = Bytes());
    SimMessage& AddText(BYTE tag, const std::string& text, bool withNul = false);
    const Bytes* Find(BYTE tag) const;
    bool Has(BYTE tag) const { return Find(tag) != nullptr; }
    int ElementBytes() const;

    // type, N, elements, checksum; badChecksum spoils the last byte.
    Bytes Encode(bool badChecksum = false) const;
    // Parses a whole message: length, element walk and checksum must agree.
    static bool Decode(const Bytes& raw, SimMessage* out);
};

// The byte stuffing of the wire, from the device's point of view.
Bytes SimFrame(const Bytes& message);

// Rebuilds messages from a byte stream.
class SimDeframer
{
public:
    // Feeds bytes; completed frame bodies are appended to out.
    void Feed(const BYTE* bytes, size_t length, std::vector<Bytes>* out);
    void Reset() { m_inFrame = false; m_escaped = false; m_body.clear(); }

private:
    bool m_inFrame = false;
    bool m_escaped = false;
    Bytes m_body;
};
}
