#pragma once
#include "pages/NumericEdit.h"

// A host edit and a port edit that show and build one ServerAddressText
// field of the record.
class CServerAddressEdits
{
public:
    // Sets up the two edits of page: the host takes at most 31 characters;
    // the port 1-65535, empty allowed when there is no default.
    void Attach(HWND page, UINT hostId, UINT portId, int portDefault = CNumericEdit::kNoDefault);
    // Shows the field; a port 0 leaves the port edit as it is (empty, or
    // showing its default).
    void Fill(const char* field);
    // A host without a port: an empty port edit or port 0.
    bool PortMissing();
    // Writes the field from what the edits show: no server (first byte 0)
    // for an empty host, else the host with the port, 0 for an empty port
    // edit.
    void Store(char* field);
    UINT PortControl() const { return m_portId; }

private:
    HWND m_host = NULL;
    UINT m_portId = 0;
    CNumericEdit m_port;

    void ReadHost(char* host, size_t size) const;
    int PortValue();
};
