#pragma once

#include <cstdint>
#include <string>

namespace store {

// An enciphered file is the chained ciphertext of the text followed by the
// CRC-32 of the text, least significant byte first. There is no header: the
// text length comes from the count byte in the last cipher block.

// Unreadable: the file itself could not be read (missing, unreadable, too large); the others
// describe the bytes of a file that was read.
enum class DecodeStatus { Ok, Unreadable, TooShort, BadCountByte, ChecksumMismatch };

struct DecodeResult {
    DecodeStatus status = DecodeStatus::TooShort;
    std::string text;             // valid only when status is Ok
    std::uint32_t storedCrc = 0;  // filled once the file had room for a checksum
    std::uint32_t computedCrc = 0;
};

// Turns the bytes of an enciphered file back into its text.
[[nodiscard]] DecodeResult decodeEncryptedText(const std::string& fileBytes, const std::uint8_t key[8]);

// Produces the bytes of an enciphered file holding `text`: 8 * (n / 8) + 12 bytes.
std::string encodeEncryptedText(const std::string& text, const std::uint8_t key[8]);

// A one-line description of a failed decode, for people.
std::string describeDecodeFailure(const DecodeResult& result);

} // namespace store
