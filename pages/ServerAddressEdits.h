#pragma once
#include "pages/NumericEdit.h"
#include <string>

// A host edit and a port edit that show and build one ServerAddressText
// field of the record.
class CServerAddressEdits
{
public:
    // Sets up the two edits of page: the host takes at most 31 characters;
    // the port 1-65535, empty allowed when there is no default.
    void Attach(HWND page, UINT hostId, UINT portId, int portDefault = CNumericEdit::kNoDefault);
    // Shows the field; a port 0 leaves the port edit as it is.
    void Fill(const char* field);
    // Whether either edit shows something else than when it was filled.
    bool Changed() const;
    // A changed server with a host but an empty port edit.
    bool PortMissing();
    // Writes the field from changed edits; an empty port edit gives port 0.
    // Unchanged edits leave the field as stored, also where it could not be
    // shown as it is.
    void Store(char* field);
    UINT PortControl() const { return m_portId; }

private:
    HWND m_host = NULL;
    UINT m_portId = 0;
    CNumericEdit m_port;
    std::string m_shownHost;
    std::string m_shownPort;

    void ReadHost(char* host, size_t size) const;
    int PortValue();
};
