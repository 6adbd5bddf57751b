#pragma once

#include <exception>
#include <string>

#include "server/LedgerTransaction.hpp"

namespace pqxx {
class connection_base;
class transaction_base;
} // namespace pqxx

namespace server {

// Lifts the server's statement time limit for the rest of a transaction: an import's
// batches, the statistics and an export may take longer than any page.
inline constexpr const char* kNoStatementTimeoutSql = "SET LOCAL statement_timeout = 0";

// The ledger's statements in PostgreSQL, run in one pqxx transaction on a connection that
// Prepare() readied. Several servers may write at once: changes to one name and level, and
// publishes of one verified replay, wait for each other on advisory locks, and an import
// batch locks the records against every other writer. A failed statement leaves its
// exception, which RethrowFailure() throws again so that the store can tell a broken
// connection from other failures.
class PostgresLedgerTransaction final : public LedgerTransaction {
public:
    explicit PostgresLedgerTransaction(pqxx::transaction_base& tx) : m_tx(tx) {}

    // Prepares the statements on a connection whose tables exist; throws as pqxx does.
    static void Prepare(pqxx::connection_base& connection);
    // Adds counts to the trees on a connection without the prepared statements (the one that
    // sets up the tables); throws as pqxx does.
    static void AddCountsUnprepared(pqxx::transaction_base& tx, const RankTreeChanges& changes);
    // Throws the exception of the failed call, if there was one.
    void RethrowFailure() const;

    std::string FailureReason() const override;
    bool LockName(int level, const std::string& name) override;
    bool LockReplay(const std::string& replayHash) override;
    bool FindReport(const std::string& report, std::optional<std::int64_t>& id) override;
    bool StateOf(std::int64_t id, std::optional<RecordState>& state) override;
    bool FindVerifiedReplay(const std::string& replayHash, std::optional<std::int64_t>& id) override;
    bool Insert(const RecordRow& row, std::int64_t& id) override;
    bool AddReport(const std::string& report, std::int64_t id) override;
    bool ListBest(int level, const std::string& name, Listing listing, int limit) override;
    bool ListedOfName(int level, const std::string& name, std::vector<ListedState>& records) override;
    bool ListedOfNames(const std::vector<LevelAndName>& keys,
                       std::map<LevelAndName, std::vector<ListedState>>& records) override;
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
    // Runs `body`, keeping what it throws; false when it threw.
    template <class Body>
    bool Guard(Body body);

    pqxx::transaction_base& m_tx;
    std::exception_ptr m_failure;
};

} // namespace server
