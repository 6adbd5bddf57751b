#pragma once

#include <memory>
#include <string>

#include "server/LedgerTransaction.hpp"

namespace server {

class SqliteConnection;

// The ledger's statements in SQLite, prepared once on one connection and run in whatever
// transaction it has open. The store's one writing connection takes its writes in turns, so
// the locks are nothing and an import holds off every other writer by being in a write
// transaction at all.
class SqliteLedgerTransaction final : public LedgerTransaction {
public:
    explicit SqliteLedgerTransaction(SqliteConnection& connection);
    ~SqliteLedgerTransaction() override;
    SqliteLedgerTransaction(const SqliteLedgerTransaction&) = delete;
    SqliteLedgerTransaction& operator=(const SqliteLedgerTransaction&) = delete;

    // Prepares the statements (those of imports wait for the first); false leaves the reason
    // in `error`. The tables must exist.
    bool Prepare(std::string& error);

    std::string FailureReason() const override;
    bool LockName(int, const std::string&) override { return true; }
    bool LockReplay(const std::string&) override { return true; }
    bool FindReport(const std::string& report, std::optional<std::int64_t>& id) override;
    bool StateOf(std::int64_t id, std::optional<RecordState>& state) override;
    bool FindVerifiedReplay(const std::string& replayHash, std::optional<std::int64_t>& id) override;
    bool Insert(const RecordRow& row, std::int64_t& id) override;
    bool AddReport(const std::string& report, std::int64_t id) override;
    bool ListBest(int level, const std::string& name, Listing listing, int limit) override;
    bool ListedOfName(int level, const std::string& name, std::vector<ListedState>& records) override;
    bool PlaceOf(std::int64_t id, std::optional<RecordPlace>& place) override;
    bool DayOf(std::int64_t id, std::optional<std::int64_t>& day) override;
    bool DailyPlaceOf(std::int64_t id, std::optional<DailyPlace>& place) override;
    bool DailyListedOfName(std::int64_t day, const std::string& name,
                           std::vector<ListedState>& records) override;
    bool SumNodes(int level, Listing listing, const std::vector<std::int64_t>& nodes,
                  std::int64_t& sum) override;
    bool LaterTies(int level, Listing listing, std::int32_t score, std::int64_t id,
                   std::int64_t& count) override;
    bool AddCounts(const RankTreeChanges& changes) override;
    bool RowAt(int level, Listing listing, std::int64_t offset, std::optional<RowKey>& row) override;
    bool Rows(int level, Listing listing, std::int64_t count, std::int64_t offset,
              std::vector<RankedRecord>& rows) override;
    bool BumpVersion(int level) override;
    bool Versions(std::vector<LevelVersion>& versions) override;
    bool VerifiedReplaysAfter(std::int64_t afterId, std::size_t count,
                              std::vector<VerifiedReplay>& records) override;
    bool VerificationOf(std::int64_t id, std::optional<Verification>& verification) override;
    bool SetVerification(std::int64_t id, const Verification& verification) override;
    bool Owner(std::int64_t id, std::optional<LevelAndName>& owner) override;
    bool Hide(std::int64_t id, bool hidden) override;
    bool Remove(std::int64_t id) override;
    bool BeginImport() override;
    bool EqualRecords(const std::vector<RecordLine>& lines, std::int64_t storedBefore,
                      std::vector<std::vector<std::int64_t>>& equal) override;
    bool ReserveIds(std::size_t count, std::vector<std::int64_t>& ids) override;
    bool InsertImported(const std::vector<ImportedRow>& rows) override;
    bool Unlist(const std::vector<std::int64_t>& ids) override;

private:
    struct Statements;
    struct ImportStatements;
    SqliteConnection& m_connection;
    std::unique_ptr<Statements> m_statements;
    std::unique_ptr<ImportStatements> m_import;
};

} // namespace server
