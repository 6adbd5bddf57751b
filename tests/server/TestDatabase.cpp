#include "TestDatabase.hpp"

#include <pqxx/pqxx>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::optional<std::string> postgresBaseUrl() {
    if (const char* url = std::getenv("HOOPSTACK_TEST_POSTGRES_URL"); url && *url) return std::string(url);
    std::ifstream state(HOOPSTACK_TEST_POSTGRES_STATE);
    std::string url;
    if (std::getline(state, url) && !url.empty()) return url;
    return std::nullopt;
}

std::string withDatabase(const std::string& base, const std::string& name) {
    return base + (base.find('?') == std::string::npos ? "?" : "&") + "dbname=" + name;
}

} // namespace

const char* BackendName(Backend backend) { return backend == Backend::Sqlite ? "Sqlite" : "Postgres"; }

TestDatabase::TestDatabase(Backend backend) : m_backend(backend) {
    static std::atomic<int> counter{0};
    const std::string unique = std::to_string(::getpid()) + "_" + std::to_string(counter++);
    if (backend == Backend::Sqlite) {
        std::string pattern = (std::filesystem::temp_directory_path() / "hoopstack-db-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        m_url = "sqlite://" + m_folder + "/leaderboard.db";
        return;
    }
    const std::optional<std::string> base = postgresBaseUrl();
    if (!base) {
        m_skipReason = "no PostgreSQL to test with: set HOOPSTACK_TEST_POSTGRES_URL, or install postgresql-15 so "
                       "that ctest starts a throw-away one";
        return;
    }
    m_adminUrl = *base;
    m_databaseName = "hoopstack_test_" + unique;
    try {
        pqxx::connection admin(m_adminUrl);
        pqxx::nontransaction(admin).exec("CREATE DATABASE " + m_databaseName);
        m_url = withDatabase(m_adminUrl, m_databaseName);
    } catch (const std::exception& e) {
        m_skipReason = std::string("the test PostgreSQL cannot be used: ") + e.what();
    }
}

TestDatabase::~TestDatabase() {
    if (m_backend == Backend::Sqlite) {
        std::error_code ignored;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
        return;
    }
    if (m_url.empty()) return;
    try {
        pqxx::connection admin(m_adminUrl);
        pqxx::nontransaction(admin).exec("DROP DATABASE IF EXISTS " + m_databaseName + " WITH (FORCE)");
    } catch (const std::exception&) {
        // The instance goes away with the test run anyway.
    }
}
