#include "ReplayCheck.hpp"

#include <openssl/evp.h>

#include <exception>

#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"
#include "store/ReplayFile.hpp"

namespace server {

namespace {

constexpr std::size_t kMaxReasonBytes = 200;

} // namespace

bool IsReplayText(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

std::optional<std::uint32_t> ReplayFrames(std::string_view text) {
    text = store::TrimReplayText(text);
    if (text.empty() || text.size() > kMaxStoredReplay || !IsReplayText(text)) return std::nullopt;
    try {
        const std::optional<rules::GameReplay> replay = rules::DecodeReplay(text);
        if (!replay || replay->ticks > rules::kReplayTickBudget) return std::nullopt;
        return replay->ticks;
    } catch (const std::exception&) {
        // Want of memory: the check itself will say so.
        return std::uint32_t(0);
    }
}

std::string Sha256Hex(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) return {};
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0xF]);
    }
    return hex;
}

std::string JoinBoard(const std::array<std::string, 16>& rows) {
    std::string board;
    for (const std::string& row : rows) {
        if (!board.empty()) board.push_back('/');
        board += row;
    }
    return board;
}

std::optional<std::array<std::string, 16>> SplitBoard(std::string_view board) {
    constexpr std::size_t kSide = 16;
    if (board.size() != kSide * kSide + kSide - 1) return std::nullopt;
    std::array<std::string, 16> rows;
    for (std::size_t r = 0; r < kSide; ++r) {
        const std::string_view row = board.substr(r * (kSide + 1), kSide);
        for (const char c : row)
            if (c < '0' || c > '7') return std::nullopt;
        if (r + 1 < kSide && board[r * (kSide + 1) + kSide] != '/') return std::nullopt;
        rows[r] = std::string(row);
    }
    return rows;
}

std::string OneLineReason(std::string_view reason) {
    std::string out(reason.substr(0, kMaxReasonBytes));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

ReplayCheck CheckReplay(std::string_view text, int level, std::int32_t score) {
    ReplayCheck check;
    text = store::TrimReplayText(text);
    if (text.empty()) return check;
    if (text.size() > kMaxStoredReplay) {
        check.reason = "replay too long: " + std::to_string(text.size()) + " bytes, more than the " +
                       std::to_string(kMaxStoredReplay) + " a publish may carry";
        return check;
    }
    if (!IsReplayText(text)) {
        check.reason = "replay is not base64url text";
        return check;
    }
    check.replay = std::string(text);
    if (level < kFirstLevel || level > kLastLevel) {
        check.reason = "no such level";
        return check;
    }
    try {
        const rules::ReplayVerdict verdict = rules::VerifyReplay(
            text, static_cast<rules::Level>(level - kFirstLevel), score, rules::kReplayTickBudget);
        if (!verdict.verified) {
            check.reason = OneLineReason(verdict.reason.empty() ? "replay not verified" : verdict.reason);
            return check;
        }
        if (!verdict.outcome) {
            check.reason = "replay does not decode";
            return check;
        }
        // The game, not the text: two replays that play the same game hash alike.
        check.replayHash = Sha256Hex(verdict.identity);
        if (check.replayHash.empty()) {
            check.reason = "replay cannot be hashed";
            return check;
        }
        check.board = JoinBoard(verdict.outcome->board);
        const std::optional<rules::GameReplay> decoded = rules::DecodeReplay(text);
        if (!decoded) {
            check.reason = "replay does not decode";
            return check;
        }
        check.start = decoded->startState;
        check.verified = true;
        check.reason.clear();
    } catch (const std::exception& e) {
        // The rules throw for nothing but want of memory; the record is kept unverified.
        check = ReplayCheck{};
        check.replay = std::string(text);
        check.reason = OneLineReason(std::string("replay could not be verified: ") + e.what());
    }
    return check;
}

} // namespace server
