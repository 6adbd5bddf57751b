// Feeds arbitrary lines to the record parser, then saves and parses the table
// text again: the second parse must keep every record's score.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/TScoresTable.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    store::TScoresTable table;
    table.addRecordLine(line);
    table.addRecordLine(line);
    const std::string text = table.tableText();

    store::TScoresTable reparsed;
    reparsed.addTableText(text);
    // Fields holding TAB or LF split a record differently, so only clean
    // records must survive the trip unchanged.
    const auto& [score, rec] = *table.records().begin();
    const bool clean = (rec.date + rec.name + rec.level).find_first_of("\t\n\r") == std::string::npos;
    if (clean && (reparsed.size() != 2 || reparsed.records().begin()->first != score))
        __builtin_trap();
    return 0;
}
