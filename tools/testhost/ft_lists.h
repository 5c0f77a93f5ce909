// The list commands of the READY screens, as text lines: TSO LISTCAT and LISTDS (with
// MEMBERS), CMS LISTFILE. The list macros read these lines, so their layout is fixed
// (README.md, "Transfer program").
#pragma once

#include <string>
#include <vector>

#include "ft_store.h"

namespace testhost::ft {

// '*' matches any run of characters, '%' exactly one.
bool WildcardMatch(const std::string& pattern, const std::string& text);

// "NONVSAM ------- NAME" for each data set named LEVEL or LEVEL.*; false (with IDC3012I in
// `lines`) when there is none.
bool ListCatalog(const FileStore& store, const std::string& level, std::vector<std::string>& lines);

// The name, attributes and volume of a data set, then with `members` its member names; false
// with the not-in-catalog message when it does not exist.
bool ListDataSet(const FileStore& store, const std::string& name, bool members,
                 std::vector<std::string>& lines);

// "FN       FT       FM" per matching file, sorted; false (with DMSLST002E) when none match.
bool ListFiles(const FileStore& store, const std::string& fn, const std::string& ft, const std::string& fm,
               std::vector<std::string>& lines);

}  // namespace testhost::ft
