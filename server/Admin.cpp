#include "Admin.hpp"

#include <ctime>

#include "server/ReplayCheck.hpp"

namespace server {

std::string FormatAdminLine(const StoredRecord& record) {
    const std::time_t when = std::time_t(record.publishedAt);
    std::tm parts{};
    char date[32] = "";
    if (gmtime_r(&when, &parts)) std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::to_string(record.id) + '\t' + std::to_string(record.level) + '\t' + std::to_string(record.score) +
           '\t' + record.name + '\t' + date + '\t' + (record.hidden ? "hidden" : "shown") + '\n';
}

std::string FormatAdminVerificationLine(const StoredRecord& record) {
    std::string line = FormatAdminLine(record);
    line.pop_back();
    line += record.verified ? "\tverified\t" : "\tunverified\t" + OneLineReason(record.reason);
    line.push_back('\n');
    return line;
}

int RunAdmin(RecordStore& store, const AdminCommand& command, std::string& out, std::string& error) {
    if (command.action == AdminAction::List) {
        const Expected<std::vector<StoredRecord>> rows = store.List(command.filter);
        if (!rows) {
            error = rows.error();
            return 1;
        }
        for (const StoredRecord& row : *rows)
            out += command.verification ? FormatAdminVerificationLine(row) : FormatAdminLine(row);
        return 0;
    }
    const Expected<bool> done = command.action == AdminAction::Delete
                                    ? store.Delete(command.id)
                                    : store.SetHidden(command.id, command.action == AdminAction::Hide);
    if (!done) {
        error = done.error();
        return 1;
    }
    if (!*done) {
        error = "no record has the id " + std::to_string(command.id);
        return 3;
    }
    return 0;
}

} // namespace server
