#pragma once

#include <string>
#include <string_view>

#include "server/RankTree.hpp"

namespace server {

// The statements that read or write one table are written once for both tables: in
// `sqlTemplate`, every "{listed}" becomes the table's column (listed or listed_verified) and
// every "{verified}" becomes nothing for the table of all records and `verifiedCondition`
// (the dialect's " AND verified ...") for the table of verified ones.
std::string ListingSql(std::string_view sqlTemplate, Listing listing, std::string_view verifiedCondition);

// The column that marks the records on a table.
const char* ListingColumn(Listing listing);

} // namespace server
