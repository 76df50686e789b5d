// Client core: the contact list's order at login (the user's collation, duplicates kept).
#pragma once

#include <QString>

#include <vector>

namespace zuvi::client {

// The lines in the order of the list's exchange sort: for each position in turn, every later
// line that compares smaller (zuvi::os::localeCompare) is swapped into it. Lines that compare
// equal but differ end up in the same places that sort gives them. Runs in n log n with one
// collation key per line.
std::vector<QString> sortContactLines(std::vector<QString> lines);

} // namespace zuvi::client
