#pragma once
// The order of names in the program's lists: without regard to case, with the common
// non-ASCII letters (Latin-1, Latin Extended-A, Greek, Cyrillic) folded, so that "é" sorts
// with "E", not after "z".
#include <string>

namespace rv::text {

// `utf8` with every letter in lower case (the folding the order uses).
std::string fold_case(const std::string& utf8);
// Accented letters sort with their base letter, then accents tell, then case, then bytes: a
// total order.
bool less_without_case(const std::string& a, const std::string& b);

}  // namespace rv::text
