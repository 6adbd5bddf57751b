#include "ListingSql.hpp"

namespace server {

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

const char* ListingColumn(Listing listing) {
    return listing == Listing::Verified ? "listed_verified" : "listed";
}

std::string ListingSql(std::string_view sqlTemplate, Listing listing, std::string_view verifiedCondition) {
    std::string sql(sqlTemplate);
    replaceAll(sql, "{listed}", ListingColumn(listing));
    replaceAll(sql, "{verified}", listing == Listing::Verified ? verifiedCondition : std::string_view());
    return sql;
}

} // namespace server
