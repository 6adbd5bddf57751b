#include "ListingSql.hpp"

namespace server {

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

const char* ListingColumn(Listing listing) {
    switch (listing) {
    case Listing::Verified:
        return "listed_verified";
    case Listing::Daily:
        return "listed_daily";
    case Listing::All:
        break;
    }
    return "listed";
}

const char* TableColumn(Listing listing) {
    return listing == Listing::Daily ? "daily_day" : "level";
}

std::string ListingSql(std::string_view sqlTemplate, Listing listing, std::string_view verifiedCondition) {
    std::string sql(sqlTemplate);
    replaceAll(sql, "{listed}", ListingColumn(listing));
    replaceAll(sql, "{table}", TableColumn(listing));
    replaceAll(sql, "{verified}", listing == Listing::All ? std::string_view() : verifiedCondition);
    return sql;
}

} // namespace server
