#pragma once

#include <optional>
#include <string>

// A fresh, empty database for one test, removed afterwards: an SQLite file in a temporary
// folder, or a new database in the test PostgreSQL. The PostgreSQL one is found through
// HOOPSTACK_TEST_POSTGRES_URL, or else through the state file of the throw-away instance
// that ctest starts before the server tests.
enum class Backend { Sqlite, Postgres };

const char* BackendName(Backend backend);

class TestDatabase {
public:
    explicit TestDatabase(Backend backend);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // False when the backend cannot be tested here; SkipReason says why.
    bool Available() const { return !m_url.empty(); }
    const std::string& SkipReason() const { return m_skipReason; }
    // The address for --database and OpenRecordStore.
    const std::string& Url() const { return m_url; }

private:
    Backend m_backend;
    std::string m_url;
    std::string m_skipReason;
    std::string m_folder;        // SQLite
    std::string m_adminUrl;      // PostgreSQL
    std::string m_databaseName;  // PostgreSQL
};

// Skips the running test when its database cannot be had.
#define SKIP_UNLESS_AVAILABLE(database)                                \
    do {                                                               \
        if (!(database).Available()) GTEST_SKIP() << (database).SkipReason(); \
    } while (false)
