#include "tools/devsim/SimMessage.h"

namespace devsim
{
SimMessage& SimMessage::Add(BYTE tag, const Bytes& data)
{
    auto it = elements.begin();
    while (it != elements.end() && it->first <= tag)
        ++it;
    elements.insert(it, std::make_pair(tag, data));
    return *this;
}

SimMessage& SimMessage::AddText(BYTE tag, const std::string& text, bool withNul)
{
    Bytes data(text.begin(), text.end());
    if (withNul)
        data.push_back(0);
    return Add(tag, data);
}

const Bytes* SimMessage::Find(BYTE tag) const
{
    for (const auto& e : elements)
        if (e.first == tag)
            return &e.second;
    return nullptr;
}

int SimMessage::ElementBytes() const
{
    int n = 0;
    for (const auto& e : elements)
        n += 2 + (int)e.second.size();
    return n;
}

Bytes SimMessage::Encode(bool badChecksum) const
{
    Bytes out;
    out.push_back(type);
    out.push_back((BYTE)ElementBytes());
    for (const auto& e : elements)
    {
        out.push_back(e.first);
        out.push_back((BYTE)e.second.size());
        out.insert(out.end(), e.second.begin(), e.second.end());
    }
    unsigned sum = 0;
    for (BYTE b : out)
        sum += b;
    BYTE check = (BYTE)(0x100 - (sum & 0xFF));
    out.push_back(badChecksum ? (BYTE)(check + 1) : check);
    return out;
}

bool SimMessage::Decode(const Bytes& raw, SimMessage* out)
{
    if (raw.size() < 3 || raw.size() != (size_t)raw[1] + 3)
        return false;
    unsigned sum = 0;
    for (BYTE b : raw)
        sum += b;
    if ((sum & 0xFF) != 0)
        return false;
    SimMessage m(raw[0]);
    size_t end = 2 + raw[1];
    size_t pos = 2;
    while (pos < end)
    {
        if (pos + 2 > end || pos + 2 + raw[pos + 1] > end)
            return false;
        BYTE tag = raw[pos];
        BYTE len = raw[pos + 1];
        m.elements.push_back(std::make_pair(tag, Bytes(raw.begin() + pos + 2, raw.begin() + pos + 2 + len)));
        pos += 2 + len;
    }
    *out = m;
    return true;
}

Bytes SimFrame(const Bytes& message)
{
    Bytes out;
    out.reserve(message.size() * 2 + 2);
    out.push_back(0x7E);
    for (BYTE b : message)
    {
        if (b == 0x7E)
        {
            out.push_back(0xCD);
            out.push_back(0x01);
        }
        else if (b == 0x7A)
        {
            out.push_back(0xCD);
            out.push_back(0x10);
        }
        else if (b == 0xCD)
        {
            out.push_back(0xCD);
            out.push_back(0xCD);
        }
        else
        {
            out.push_back(b);
        }
    }
    out.push_back(0x7A);
    return out;
}

void SimDeframer::Feed(const BYTE* bytes, size_t length, std::vector<Bytes>* out)
{
    for (size_t i = 0; i < length; ++i)
    {
        BYTE b = bytes[i];
        if (b == 0x7E)
        {
            m_inFrame = true;
            m_escaped = false;
            m_body.clear();
            continue;
        }
        if (!m_inFrame)
            continue;
        if (b == 0x7A)
        {
            out->push_back(m_body);
            m_inFrame = false;
            m_body.clear();
            continue;
        }
        if (m_escaped)
        {
            m_escaped = false;
            if (b == 0x01)
                m_body.push_back(0x7E);
            else if (b == 0x10)
                m_body.push_back(0x7A);
            else if (b == 0xCD)
                m_body.push_back(0xCD);
            else
                m_body.push_back(b);
            continue;
        }
        if (b == 0xCD)
        {
            m_escaped = true;
            continue;
        }
        m_body.push_back(b);
        if (m_body.size() > 1024)
            Reset();
    }
}
}
