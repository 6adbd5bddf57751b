#include "LedgerTransaction.hpp"

namespace server {

bool LedgerTransaction::ListedOfNames(const std::vector<LevelAndName>& keys,
                                      std::map<LevelAndName, std::vector<ListedState>>& records) {
    for (const LevelAndName& key : keys) {
        const auto [at, added] = records.try_emplace(key);
        if (added && !ListedOfName(key.first, key.second, at->second)) return false;
    }
    return true;
}

} // namespace server
