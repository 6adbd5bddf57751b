// The operator's move of a board: N generated record lines (the first argument, 1,000,000 by
// default; a third per level, 100,000 names, scores up to a million, days over six years) are
// imported into a fresh SQLite file and exported again, then the same into a fresh PostgreSQL
// database when HOOPSTACK_TEST_POSTGRES_URL names a server. The peer in the same run is the
// first reading alone, which checks every line and stores nothing. Prints lines per second
// and the ratios of importing and exporting to checking.
//   leaderboard_import_bench [N]               the figures
//   leaderboard_import_bench --generate N FILE  only writes the lines, for timing the program
#include <unistd.h>

#include <pqxx/pqxx>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "server/Admin.hpp"
#include "server/OpenRecordStore.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool generate(const std::string& path, long lines) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::mt19937 random(21);
    std::uniform_int_distribution<int> name(0, 99'999), score(0, 999'999), day(0, 6 * 365);
    const std::int64_t firstDay = server::DaysFromCivil(2020, 1, 1);
    for (long i = 0; i < lines; ++i) {
        server::RecordLine record;
        record.level = int(i % 3) + 1;
        record.score = score(random);
        record.name = "player " + std::to_string(name(random));
        record.publishedAt = (firstDay + day(random)) * 86'400;
        const std::string line = server::FormatRecordLine(record);
        std::fwrite(line.data(), 1, line.size(), out);
    }
    return std::fclose(out) == 0;
}

// Opens a file for the import's messages that are not shown.
std::FILE* quiet() { return std::fopen("/dev/null", "w"); }

// A store without a database: an import on it checks its lines and ends before storing.
class CheckOnly final : public server::RecordStore {
public:
    using RecordStore::Publish;
    server::Expected<server::PublishResult> Publish(const server::NewRecord&, server::Deadline) override { return none(); }
    server::Expected<std::vector<server::RankedRecord>> Top(int, int, int) override { return none(); }
    server::Expected<std::vector<server::StoredRecord>> List(const server::RecordFilter&) override { return none(); }
    server::Expected<bool> SetHidden(std::int64_t, bool) override { return none(); }
    server::Expected<bool> Delete(std::int64_t) override { return none(); }
    server::Expected<std::optional<server::StoredReplay>> Replay(std::int64_t) override { return none(); }

private:
    static server::Error none() { return server::Error{"checking only"}; }
};

struct Times {
    double import = 0, exportAll = 0;
    bool ok = false;
};

Times run(const std::string& url, const std::string& lines, const std::string& exported) {
    Times times;
    auto store = server::OpenRecordStore(url);
    if (!store) {
        std::fprintf(stderr, "import_bench: %s\n", store.error().c_str());
        return times;
    }
    std::FILE* in = std::fopen(lines.c_str(), "rb");
    std::FILE* out = std::fopen(exported.c_str(), "wb");
    auto start = Clock::now();
    const int imported = server::RunImport(**store, in, stderr);
    times.import = secondsSince(start);
    start = Clock::now();
    const int written = server::RunExport(**store, out, stderr);
    std::fclose(out);
    times.exportAll = secondsSince(start);
    std::fclose(in);
    times.ok = imported == 0 && written == 0;
    return times;
}

void report(const char* backend, long lines, const Times& t, double check) {
    std::printf("%-10s import %7.2f s (%9.0f lines/s, %5.1fx the check)  export %6.2f s (%9.0f lines/s, %5.1fx)\n",
                backend, t.import, double(lines) / t.import, t.import / check, t.exportAll,
                double(lines) / t.exportAll, t.exportAll / check);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--generate") return generate(argv[3], std::atol(argv[2])) ? 0 : 1;
    const long lines = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("hoopstack-import-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "lines.tsv").string(), exported = (folder / "export.tsv").string();
    int status = 0;
    if (!generate(input, lines)) {
        std::fprintf(stderr, "import_bench: cannot write %s\n", input.c_str());
        status = 1;
    }

    // The peer: the first reading alone.
    double check = 0;
    if (status == 0) {
        CheckOnly store;
        std::FILE* in = std::fopen(input.c_str(), "rb");
        std::FILE* messages = quiet();
        const auto start = Clock::now();
        server::RunImport(store, in, messages);
        check = secondsSince(start);
        std::fclose(in);
        std::fclose(messages);
        std::printf("%ld lines, %.1f MB; checking them alone: %.2f s (%.0f lines/s)\n", lines,
                    double(std::filesystem::file_size(input)) / 1e6, check, double(lines) / check);
    }

    if (status == 0) {
        const Times sqlite = run("sqlite://" + (folder / "board.db").string(), input, exported);
        if (!sqlite.ok) status = 1;
        else report("SQLite", lines, sqlite, check);
        std::printf("SQLite file: %.1f MB\n", double(std::filesystem::file_size(folder / "board.db")) / 1e6);
    }

    const char* postgres = std::getenv("HOOPSTACK_TEST_POSTGRES_URL");
    if (status == 0 && postgres && *postgres) {
        const std::string name = "import_bench_" + std::to_string(::getpid());
        try {
            pqxx::connection admin(postgres);
            pqxx::nontransaction(admin).exec("CREATE DATABASE " + name);
            std::string url = postgres;
            const std::size_t slash = url.find('/', url.find("://") + 3);
            const std::size_t query = url.find('?', slash == std::string::npos ? 0 : slash);
            url = (slash == std::string::npos ? url : url.substr(0, slash)) + "/" + name +
                  (query == std::string::npos ? "" : url.substr(query));
            const Times pg = run(url, input, exported);
            if (!pg.ok) status = 1;
            else report("PostgreSQL", lines, pg, check);
            std::printf("PostgreSQL database: %.1f MB\n",
                        double(pqxx::nontransaction(admin).exec1("SELECT pg_database_size('" + name + "')")[0].as<long>()) / 1e6);
            pqxx::nontransaction(admin).exec("DROP DATABASE " + name);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "import_bench: %s\n", e.what());
            status = 1;
        }
    } else if (status == 0) {
        std::printf("PostgreSQL: skipped, HOOPSTACK_TEST_POSTGRES_URL is not set\n");
    }
    std::filesystem::remove_all(folder);
    return status;
}
