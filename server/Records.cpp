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

} // namespace server
