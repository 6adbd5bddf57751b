#include "Ledger.hpp"

#include <algorithm>
#include <set>

#include "server/DailyGames.hpp"
#include "server/PublishRequest.hpp"
#include "server/RecordStore.hpp"

namespace server {

namespace {

Error failed(const LedgerTransaction& tx) {
    return Error{tx.FailureReason()};
}

std::optional<Error> refusal(const char* what, int level, std::int32_t score) {
    if (score < 0) return Error{std::string(what) + ": the score " + std::to_string(score) + " is negative"};
    if (level < kFirstLevel || level > kLastLevel)
        return Error{std::string(what) + ": there is no level " + std::to_string(level)};
    return std::nullopt;
}

} // namespace

std::optional<Error> RefusePublish(const NewRecord& record) {
    return refusal("cannot store the record", record.level, record.score);
}

std::optional<Error> RefuseImport(const std::vector<RecordLine>& batch) {
    for (const RecordLine& line : batch)
        if (auto refused = refusal("cannot import the records", line.level, line.score)) return refused;
    return std::nullopt;
}

Expected<Published> Ledger::PublishIn(LedgerTransaction& tx, const NewRecord& record) const {
    Published published;
    PublishResult& result = published.result;
    std::optional<std::int64_t> earlier;
    if (!tx.LockName(record.level, record.name) || !tx.FindReport(record.report, earlier)) return failed(tx);
    if (earlier) {
        published.id = *earlier;
        result.outcome = PublishOutcome::Duplicate;
        std::optional<RecordState> state;
        if (!tx.StateOf(*earlier, state)) return failed(tx);
        if (state) {
            result.verified = state->verified;
            result.reason = state->reason;
        }
        if (!tx.DayOf(*earlier, result.day)) return failed(tx);
        if (m_policy.publishRank == PublishRank::InTransaction) {
            const Expected<std::int64_t> rank = RankIn(tx, *earlier);
            if (!rank) return Error{rank.error()};
            result.rank = *rank;
            if (result.day) {
                const Expected<std::int64_t> dailyRank = DailyRankIn(tx, *earlier);
                if (!dailyRank) return Error{dailyRank.error()};
                result.dailyRank = *dailyRank;
            }
        }
        return published;
    }

    RecordRow row;
    row.level = record.level;
    row.score = record.score;
    row.name = record.name;
    row.publishedAt = record.receivedAt;
    row.state = RecordState{record.check.verified, record.check.reason};
    row.replay = record.check.replay;
    row.replayHash = record.check.replayHash;
    // A verified replay counts for one record: a later one with it is stored unverified.
    if (row.state.verified) {
        std::optional<std::int64_t> holder;
        if (!tx.LockReplay(record.check.replayHash) ||
            !tx.FindVerifiedReplay(record.check.replayHash, holder))
            return failed(tx);
        if (holder) row.state = RecordState{false, SameReplayReason(*holder)};
    }
    // A verified game of a day's court enters the day's table when it is published in the
    // day's window; outside it, it is kept unverified with the reason.
    if (row.state.verified) {
        if (const std::optional<DailyGame> daily =
                FindDailyGame(record.check.start, record.level, record.receivedAt)) {
            if (daily->inWindow)
                row.day = daily->day;
            else
                row.state = RecordState{false, OutsideDailyWindowReason(daily->day, record.receivedAt)};
        }
    }
    if (row.state.verified) row.board = record.check.board;
    std::vector<ListedState> before, dayBefore;
    if (!tx.Insert(row, published.id) || !tx.AddReport(record.report, published.id) ||
        !tx.ListedOfName(record.level, record.name, before) ||
        (row.day && !tx.DailyListedOfName(*row.day, record.name, dayBefore)) ||
        !Relist(tx, record.level, record.name, before, false,
                row.day ? std::optional<DayRelist>(DayRelist{*row.day, &dayBefore}) : std::nullopt))
        return failed(tx);
    result.verified = row.state.verified;
    result.reason = row.state.reason;
    result.day = row.day;
    bool listed = false;
    if (m_policy.publishRank == PublishRank::InTransaction) {
        const Expected<std::int64_t> rank = RankIn(tx, published.id);
        if (!rank) return Error{rank.error()};
        result.rank = *rank;
        listed = *rank > 0;
        if (row.day) {
            const Expected<std::int64_t> dailyRank = DailyRankIn(tx, published.id);
            if (!dailyRank) return Error{dailyRank.error()};
            result.dailyRank = *dailyRank;
        }
    } else {
        std::optional<RecordPlace> place;
        if (!tx.PlaceOf(published.id, place)) return failed(tx);
        listed = place && OnRanking(place->state);
    }
    result.outcome = listed ? PublishOutcome::Stored : PublishOutcome::NotListed;
    return published;
}

bool Ledger::OnRanking(const ListedState& record) const {
    return m_ranking == Listing::Verified ? record.listedVerified : record.listed;
}

Expected<bool> Ledger::ChangeIn(LedgerTransaction& tx, std::int64_t id, RecordChange change) const {
    std::optional<LevelAndName> owner;
    if (!tx.Owner(id, owner)) return failed(tx);
    if (!owner) return false;
    const auto& [level, name] = *owner;
    std::vector<ListedState> before;
    std::optional<std::int64_t> day;
    std::vector<ListedState> dayBefore;
    if (!tx.LockName(level, name) || !tx.ListedOfName(level, name, before) || !tx.DayOf(id, day) ||
        (day && !tx.DailyListedOfName(*day, name, dayBefore)))
        return failed(tx);
    const bool changed =
        change == RecordChange::Delete ? tx.Remove(id) : tx.Hide(id, change == RecordChange::Hide);
    if (!changed || !Relist(tx, level, name, before, true,
                            day ? std::optional<DayRelist>(DayRelist{*day, &dayBefore}) : std::nullopt))
        return failed(tx);
    return true;
}

Expected<std::int64_t> Ledger::DailyRankIn(LedgerTransaction& tx, std::int64_t id) {
    std::optional<DailyPlace> place;
    if (!tx.DailyPlaceOf(id, place)) return failed(tx);
    if (!place || !place->listed) return std::int64_t(0);
    const int table = int(place->day);
    std::int64_t above = 0, ties = 0;
    if (!tx.SumNodes(table, Listing::Daily, RankTreeNodesAbove(place->score), above) ||
        !tx.LaterTies(table, Listing::Daily, place->score, id, ties))
        return failed(tx);
    return above + ties + 1;
}

Expected<std::vector<RankedRecord>> Ledger::DailyTopIn(LedgerTransaction& tx, std::int64_t day, int first,
                                                       int count) {
    const std::int64_t offset = first > 1 ? first - 1 : 0;
    std::vector<RankedRecord> rows;
    if (!tx.Rows(int(day), Listing::Daily, count > 0 ? count : 0, offset, rows)) return failed(tx);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].rank = offset + std::int64_t(i) + 1;
    return rows;
}

bool Ledger::RelistDay(LedgerTransaction& tx, std::int64_t day, const std::string& name,
                       const std::vector<ListedState>& before) {
    std::vector<ListedState> after;
    if (!tx.ListBest(int(day), name, Listing::Daily, 1) || !tx.DailyListedOfName(day, name, after))
        return false;
    RankTreeChanges changes;
    AddDayListingChanges(changes, day, before, after);
    DropZeroChanges(changes);
    return changes.empty() || tx.AddCounts(changes);
}

Expected<std::int64_t> Ledger::RankIn(LedgerTransaction& tx, std::int64_t id) const {
    std::optional<RecordPlace> place;
    if (!tx.PlaceOf(id, place)) return failed(tx);
    if (!place || !OnRanking(place->state)) return std::int64_t(0);
    std::int64_t above = 0, ties = 0;
    if (!tx.SumNodes(place->level, m_ranking, RankTreeNodesAbove(place->state.score), above) ||
        !tx.LaterTies(place->level, m_ranking, place->state.score, id, ties))
        return failed(tx);
    return above + ties + 1;
}

Expected<std::vector<RankedRecord>> Ledger::TopIn(LedgerTransaction& tx, int level, int first,
                                                  int count) const {
    const std::int64_t offset = first > 1 ? first - 1 : 0;
    std::vector<RankedRecord> rows;
    if (!tx.Rows(level, m_ranking, count > 0 ? count : 0, offset, rows)) return failed(tx);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].rank = offset + std::int64_t(i) + 1;
    return rows;
}

bool Ledger::ListAgain(LedgerTransaction& tx, int level, const std::string& name,
                       const std::vector<ListedState>& before, RankTreeChanges& changes,
                       std::vector<ListedState>& after) {
    if (!tx.ListBest(level, name, Listing::All, kRecordsPerNameAndLevel) ||
        !tx.ListBest(level, name, Listing::Verified, kRecordsPerNameAndLevel) ||
        !tx.ListedOfName(level, name, after))
        return false;
    AddListingChanges(changes, level, before, after);
    return true;
}

bool Ledger::Relist(LedgerTransaction& tx, int level, const std::string& name,
                    const std::vector<ListedState>& before, bool alwaysBump,
                    std::optional<DayRelist> day) const {
    std::vector<ListedState> after;
    RankTreeChanges changes;
    if (!ListAgain(tx, level, name, before, changes, after)) return false;
    DropZeroChanges(changes);
    if (!changes.empty() && !tx.AddCounts(changes)) return false;
    if (day && !RelistDay(tx, day->day, name, *day->before)) return false;
    bool bump = alwaysBump;
    for (const Listing listing : {Listing::All, Listing::Verified}) {
        if (bump) break;
        const std::vector<RowKey> moved = MovedRows(before, after, listing);
        if (moved.empty()) continue;
        std::optional<RowKey> last;
        if (!tx.RowAt(level, listing, kVersionedRows + m_policy.versionedRowsMargin - 1, last)) return false;
        bump = ChangesFirstRows(moved, last);
    }
    return !bump || tx.BumpVersion(level);
}

Expected<bool> Ledger::ImportIn(LedgerTransaction& tx, const std::vector<RecordLine>& batch,
                                ImportProgress& progress) const {
    if (!tx.BeginImport()) return failed(tx);
    std::vector<RecordLine> fresh;
    fresh.reserve(batch.size());
    if (progress.storedBefore > 0) {
        std::vector<std::vector<std::int64_t>> equal;
        if (!tx.EqualRecords(batch, progress.storedBefore, equal)) return failed(tx);
        for (std::size_t i = 0; i < batch.size(); ++i)
            if (!TakeEqualRecord(progress, equal[i])) fresh.push_back(batch[i]);
    } else {
        fresh = batch;
    }
    if (fresh.empty()) return true;

    std::vector<std::int64_t> reserved;
    if (!tx.ReserveIds(fresh.size(), reserved)) return failed(tx);
    if (reserved.size() != fresh.size()) return Error{"the database gave too few record ids"};
    // The last line is published first: it gets the smallest id.
    std::vector<std::int64_t> ids(reserved.rbegin(), reserved.rend());

    std::vector<LevelAndName> keys;
    std::set<int> written;
    for (const RecordLine& line : fresh) {
        keys.emplace_back(line.level, line.name);
        written.insert(line.level);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::map<LevelAndName, std::vector<ListedState>> listedNow;
    if (!tx.ListedOfNames(keys, listedNow)) return failed(tx);
    const ImportListing plan = PlanImportListing(fresh, ids, listedNow);

    std::vector<ImportedRow> rows;
    rows.reserve(fresh.size());
    for (std::size_t i = fresh.size(); i-- > 0;)
        rows.push_back(ImportedRow{&fresh[i], ids[i], plan.listed[i],
                                   ReportText(fresh[i].level, fresh[i].score, fresh[i].name)});
    if (!tx.InsertImported(rows) || (!plan.unlisted.empty() && !tx.Unlist(plan.unlisted)) ||
        (!plan.changes.empty() && !tx.AddCounts(plan.changes)))
        return failed(tx);
    // Every level the batch wrote to may show new first rows: the servers read them again.
    for (const int level : written)
        if (!tx.BumpVersion(level)) return failed(tx);
    progress.imported += std::int64_t(fresh.size());
    return true;
}

Expected<std::vector<VerifiedReplay>> Ledger::VerifiedReplaysIn(LedgerTransaction& tx, std::int64_t afterId,
                                                                std::size_t count) {
    std::vector<VerifiedReplay> records;
    if (!tx.VerifiedReplaysAfter(afterId, count, records)) return failed(tx);
    return records;
}

Expected<bool> Ledger::ReverifyIn(LedgerTransaction& tx, const std::vector<Recheck>& rechecks,
                                  ReverifyCounts& counts) const {
    std::vector<const Recheck*> byId;
    for (const Recheck& r : rechecks) byId.push_back(&r);
    std::sort(byId.begin(), byId.end(),
              [](const Recheck* a, const Recheck* b) { return a->record.id < b->record.id; });

    // The names of the records and of the verified ones that hold their games now, each with
    // its listed records before any change. The names are locked before the games, each kind
    // in one order, as publishes take them: nobody waits for another in a circle.
    std::map<LevelAndName, std::vector<ListedState>> names;
    std::set<std::string> games;
    for (const Recheck* r : byId) {
        names.try_emplace(LevelAndName{r->record.level, r->record.name});
        if (!r->check.verified) continue;
        games.insert(r->check.replayHash);
        std::optional<std::int64_t> holder;
        std::optional<LevelAndName> owner;
        if (!tx.FindVerifiedReplay(r->check.replayHash, holder)) return failed(tx);
        if (holder && *holder != r->record.id && !tx.Owner(*holder, owner)) return failed(tx);
        if (owner) names.try_emplace(*owner);
    }
    for (auto& [key, before] : names)
        if (!tx.LockName(key.first, key.second) || !tx.ListedOfName(key.first, key.second, before))
            return failed(tx);
    for (const std::string& game : games)
        if (!tx.LockReplay(game)) return failed(tx);
    // A record that took a game after the first look belongs to a name locked only now.
    auto lockLate = [&](const LevelAndName& key) {
        if (names.count(key)) return true;
        return tx.LockName(key.first, key.second) && tx.ListedOfName(key.first, key.second, names[key]);
    };

    ReverifyCounts next = counts;
    std::set<LevelAndName> relist;
    std::set<std::pair<std::int64_t, std::string>> relistDays;
    std::set<int> changedLevels;
    // Writes a record's new verification; a change of its state lists its name again, and any
    // change the pages show renews its level's version.
    auto change = [&](std::int64_t id, const LevelAndName& key, const Verification& was,
                      const Verification& is) {
        if (is == was) return true;
        if (!tx.SetVerification(id, is)) return false;
        if (is.state.verified != was.state.verified) {
            relist.insert(key);
            std::optional<std::int64_t> day;
            if (!tx.DayOf(id, day)) return false;
            if (day) relistDays.emplace(*day, key.second);
        }
        if (is.state.verified != was.state.verified || is.board != was.board) changedLevels.insert(key.first);
        return true;
    };
    for (const Recheck* r : byId) {
        const std::int64_t id = r->record.id;
        const LevelAndName key{r->record.level, r->record.name};
        std::optional<Verification> was;
        if (!tx.VerificationOf(id, was)) return failed(tx);
        if (!was || !was->state.verified) continue;
        ++next.checked;
        Verification is;
        if (!r->check.verified) {
            is.state = RecordState{false, r->check.reason};
            ++next.notFaithful;
        } else {
            const std::string& game = r->check.replayHash;
            std::optional<std::int64_t> holder;
            if (!tx.FindVerifiedReplay(game, holder)) return failed(tx);
            if (holder && *holder < id) {
                is = Verification{RecordState{false, SameReplayReason(*holder)}, game, ""};
                ++next.sameGame;
            } else {
                if (holder && *holder > id) {
                    // A later record took the game while this one was stored under its old
                    // hash: the game is this one's, and the later record is the copy.
                    std::optional<LevelAndName> owner;
                    std::optional<Verification> held;
                    if (!tx.Owner(*holder, owner) || !tx.VerificationOf(*holder, held)) return failed(tx);
                    if (!owner || !held || !lockLate(*owner) ||
                        !change(*holder, *owner, *held,
                                Verification{RecordState{false, SameReplayReason(id)}, game, ""}))
                        return failed(tx);
                    ++next.checked;
                    ++next.sameGame;
                }
                is = Verification{RecordState{true, ""}, game, r->check.board};
                ++next.stillVerified;
            }
        }
        if (!change(id, key, *was, is)) return failed(tx);
    }

    // The count trees in node order and the versions last, as every change writes them.
    RankTreeChanges treeChanges;
    for (const LevelAndName& key : relist) {
        std::vector<ListedState> after;
        if (!ListAgain(tx, key.first, key.second, names[key], treeChanges, after)) return failed(tx);
    }
    DropZeroChanges(treeChanges);
    if (!treeChanges.empty() && !tx.AddCounts(treeChanges)) return failed(tx);
    for (const auto& [day, name] : relistDays)
        if (!RelistDay(tx, day, name)) return failed(tx);
    for (const int level : changedLevels)
        if (!tx.BumpVersion(level)) return failed(tx);
    counts = next;
    return true;
}

Expected<std::vector<std::int64_t>> Ledger::ReadTableVersions(LedgerTransaction& tx) {
    std::vector<LevelVersion> read;
    if (!tx.Versions(read)) return failed(tx);
    std::vector<std::int64_t> versions(std::size_t(kLastLevel - kFirstLevel + 1), 0);
    std::size_t found = 0;
    for (const LevelVersion& v : read) {
        if (v.level < kFirstLevel || v.level > kLastLevel) continue;
        versions[std::size_t(v.level - kFirstLevel)] = v.version;
        ++found;
    }
    if (found != versions.size()) return Error{"a level has no version"};
    return versions;
}

} // namespace server
