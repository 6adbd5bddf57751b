// Checks arbitrary input as the e= value of a publish, and also as the report inside a code
// (random digits rarely pass the sums). Whatever is accepted must be a record the pages can
// show safely: a level of 1-3, a score of 0 or more, UTF-8 without control or formatting
// characters, and no markup left after escaping.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/Pages.hpp"
#include "server/PublishRequest.hpp"
#include "server/TopJson.hpp"
#include "store/ScoreReport.hpp"

namespace {

void check(const server::Expected<server::NewRecord>& parsed) {
    if (!parsed) {
        if (parsed.error().empty() || parsed.error().find('\n') != std::string::npos) __builtin_trap();
        return;
    }
    const server::NewRecord& r = *parsed;
    if (r.level < server::kFirstLevel || r.level > server::kLastLevel || r.score < 0) __builtin_trap();
    if (r.name.size() > 3 * server::kMaxNameBytes) __builtin_trap();
    // The stored name is clean UTF-8: not empty, no control or formatting character.
    if (!server::IsShowableName(r.name)) __builtin_trap();
    for (const unsigned char c : r.name)
        if (c < 0x20 || c == 0x7F) __builtin_trap();
    if (server::EscapeHtml(r.name).find_first_of("<>\"'") != std::string::npos) __builtin_trap();
    const std::string json = server::JsonString(r.name);
    if (json.substr(1, json.size() - 2).find_first_of("<>") != std::string::npos) __builtin_trap();

    const std::vector<server::RankedRecord> top = {{1, r.score, r.name, r.receivedAt}};
    const std::string page = server::RenderPublishPage(r, {server::PublishOutcome::Stored, 1}, &top);
    if (page.find("<script") != std::string::npos) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    check(server::ParsePublishCode(input, 0));
    check(server::ParsePublishCode(store::EncodeScoreReport(input), 0));
    return 0;
}
