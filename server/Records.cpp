#include "Records.hpp"

namespace server {

const char* LevelName(int level) {
    switch (level) {
    case 1: return "Novice";
    case 2: return "Expert";
    case 3: return "Master";
    default: return "";
    }
}

std::string SameReplayReason(std::int64_t earlierId) {
    return "the same game was published before, as record " + std::to_string(earlierId);
}

} // namespace server
