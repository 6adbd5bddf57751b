#include "EncryptedText.hpp"

#include "Cipher.hpp"
#include "Crc32.hpp"

namespace store {
namespace {

const std::uint8_t* asBytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

} // namespace

DecodeResult decodeEncryptedText(const std::string& fileBytes, const std::uint8_t key[8]) {
    DecodeResult result;
    const std::size_t length = fileBytes.size();
    if (length < 4) return result;

    const std::size_t cipherLength = length - 4;
    const std::size_t full = cipherLength - cipherLength % 8;
    std::string plain(full, '\0');
    const std::ptrdiff_t textLength =
        decryptBuffer(asBytes(fileBytes), cipherLength, reinterpret_cast<std::uint8_t*>(plain.data()),
                      plain.size(), key);
    if (!decryptedLengthIsValid(textLength, cipherLength)) {
        result.status = DecodeStatus::BadCountByte;
        return result;
    }
    plain.resize(static_cast<std::size_t>(textLength));

    const auto* tail = asBytes(fileBytes) + cipherLength;
    result.storedCrc = std::uint32_t(tail[0]) | (std::uint32_t(tail[1]) << 8) |
                       (std::uint32_t(tail[2]) << 16) | (std::uint32_t(tail[3]) << 24);
    result.computedCrc = crc32(asBytes(plain), plain.size());
    if (result.storedCrc != result.computedCrc) {
        result.status = DecodeStatus::ChecksumMismatch;
        return result;
    }
    result.status = DecodeStatus::Ok;
    result.text = std::move(plain);
    return result;
}

std::string encodeEncryptedText(const std::string& text, const std::uint8_t key[8]) {
    const std::uint32_t crc = crc32(asBytes(text), text.size());
    std::string out(text.size() + 8, '\0');
    const std::size_t cipherLength =
        encryptBuffer(asBytes(text), text.size(), reinterpret_cast<std::uint8_t*>(out.data()),
                      out.size(), key);
    out.resize(cipherLength);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    return out;
}

std::string describeDecodeFailure(const DecodeResult& result) {
    switch (result.status) {
    case DecodeStatus::Ok:
        return "no error";
    case DecodeStatus::Unreadable:
        return "could not read the file";
    case DecodeStatus::TooShort:
        return "file too short to hold a checksum";
    case DecodeStatus::BadCountByte:
        return "bad length: the last block does not decipher to a valid count byte";
    case DecodeStatus::ChecksumMismatch:
        return "checksum mismatch: stored " + std::to_string(result.storedCrc) + ", computed " +
               std::to_string(result.computedCrc);
    }
    return "unknown error";
}

} // namespace store
