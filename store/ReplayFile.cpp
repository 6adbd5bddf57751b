#include "ReplayFile.hpp"

namespace store {

std::string_view TrimReplayText(std::string_view text) {
    const std::size_t end = text.find_last_not_of(" \t\n\v\f\r");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

ReplayFileRead ReadReplayFile(const std::string& path, std::size_t limit) {
    ReplayFileRead result;
    ReadResult read = readFileBounded(path, limit);
    result.status = read.status;
    result.errorNumber = read.errorNumber;
    if (read.status != ReadStatus::Ok) {
        result.error = read.error;
        return result;
    }
    const std::string_view text = TrimReplayText(read.bytes);
    if (text.empty()) {
        result.error = path + " is empty";
        return result;
    }
    result.text.assign(text);
    result.ok = true;
    return result;
}

bool WriteReplayFile(const std::string& path, std::string_view text, std::string* error) {
    std::string bytes;
    bytes.reserve(text.size() + 1);
    bytes.append(text);
    bytes += '\n';
    return writeFileAtomically(path, bytes, error);
}

} // namespace store
