#pragma once

#include <string>
#include <string_view>

#include "server/RankTree.hpp"

namespace server {

// The statements that read or write one table are written once for every table: in
// `sqlTemplate`, every "{listed}" becomes the table's column (listed, listed_verified or
// listed_daily), every "{table}" the column that picks one table (the level, or for a day's
// table the day) and every "{verified}" becomes nothing for the table of all records and
// `verifiedCondition` (the dialect's " AND verified ...") for the tables of verified ones.
std::string ListingSql(std::string_view sqlTemplate, Listing listing, std::string_view verifiedCondition);

// The column that marks the records on a table.
const char* ListingColumn(Listing listing);
// The column whose value picks one table of the listing: level, or daily_day.
const char* TableColumn(Listing listing);

} // namespace server
