#pragma once
#include <cstddef>
#include <cstdint>

// Reading and writing the text forms of the configuration record's fields.
// Every reader is bounded by its field and never changes the record; every
// writer stays inside its field.

// IpDigitsText: each octet is the decimal value of its three characters; a
// character that is not a digit ends the number, so an unset field of 0xFF
// bytes reads as 0. The address is a<<24 | b<<16 | c<<8 | d.
uint32_t ParseIpDigits(const char* field);
// Formats the four octets as twelve digits into text (13 bytes with its
// terminator) when given, and copies the twelve digits, without terminator,
// into field when given.
void FormatIpDigits(uint32_t address, char* field, char* text = nullptr);

// A number written as digits without terminator ("%05d" for a port): the
// decimal value of the leading digits, 0 when there are none.
int ParseDigits(const uint8_t* field, size_t size);
// Writes value as exactly size digits, zero-padded, without terminator.
void WriteDigits(int value, uint8_t* field, size_t size);

// CountedString of fieldSize bytes: byte 0 the length (0 or 255: empty),
// then the characters, the rest padded with pad. A length above the field
// reads as the field's fieldSize - 1 characters.
int ReadCountedString(const uint8_t* field, size_t fieldSize, char* out);
int WriteCountedString(const char* text, uint8_t* field, size_t fieldSize, uint8_t pad = 0xFF);

// A text that ends at its first 0 byte or at the end of its field of
// fieldSize bytes; out holds fieldSize + 1 bytes.
int ReadFieldText(const uint8_t* field, size_t fieldSize, char* out);
// Writes at most fieldSize - 1 characters and a terminator; the bytes after
// the terminator are kept, or zeroed with zeroFill.
int WriteFieldText(const char* text, uint8_t* field, size_t fieldSize, bool zeroFill = false);

// A credit counter kept in seconds and shown in whole minutes, rounded down:
// the seconds to store for an edit showing shownMinutes. The stored seconds
// stay while the edit still shows their minutes, so a look at a page never
// rounds a credit down.
uint32_t CreditSeconds(uint32_t stored, int shownMinutes);
