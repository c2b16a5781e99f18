#pragma once
#include <cstddef>
#include <cstdint>

// A server named by a 40-byte ServerAddressText field: "N" with four
// three-digit octets, "P" and the port for a numeric address, "S" with the
// host name, ':' and the port otherwise; first byte 0 for none.

constexpr size_t CFG_SERVER_HOST_MAX = 31; // characters of a host the pages show and take

// The host (at most 31 characters, hostSize at least 32) and port a field
// names; an empty host and port 0 when it names none or cannot be read.
// The field is read up to its first byte 0 or 0xFF and never past its end.
void ParseServerAddress(const char* field, char* host, size_t hostSize, int* port);

// True when the host is four numbers 0-255 separated by '.' or ' ' (runs of
// separators count once); octets receives them. A number is a token's
// leading digits; a token whose number is 0 must be all '0' characters.
bool ParseNumericHost(const char* host, int octets[4]);

// Writes the field for host and port: byte 0 set to 0 for an empty host,
// else the numeric or host-name form. A host name is cut so that the text
// and its terminator fit the 40 bytes; bytes behind the terminator are kept.
void BuildServerAddress(const char* host, int port, char* field);
