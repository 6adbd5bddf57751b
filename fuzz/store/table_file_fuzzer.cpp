// Feeds arbitrary file contents to the enciphered-file decoder and, since a
// random file rarely passes the checksum, the same bytes straight to the
// table parser as well.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "store/EncryptedText.hpp"
#include "store/TScoresTable.hpp"

namespace {

const std::string& scratchFile() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("table-fuzz-" + std::to_string(::getpid()))).string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The real path through a file, as the game loads its table.
    {
        std::ofstream(scratchFile(), std::ios::binary | std::ios::trunc) << bytes;
        store::TScoresTable table;
        table.loadTable(scratchFile());
        for (const auto& entry : table.records()) (void)entry;
    }

    store::TScoresTable table;
    table.addTableText(bytes);
    (void)table.tableText();

    const std::uint8_t key[8] = {'w', 'q', 'z', 'm', 'r', 'v', 't', 0};
    const store::DecodeResult decoded = store::decodeEncryptedText(bytes, key);
    if (decoded.status == store::DecodeStatus::Ok) {
        // Anything that decodes must encode back to a file that decodes the same.
        const store::DecodeResult again =
            store::decodeEncryptedText(store::encodeEncryptedText(decoded.text, key), key);
        if (again.status != store::DecodeStatus::Ok || again.text != decoded.text) __builtin_trap();
    }
    return 0;
}
