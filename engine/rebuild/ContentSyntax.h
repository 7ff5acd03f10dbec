#pragma once

#include <cstddef>
#include <string_view>

class CDecodeBudget;
class CPdfPagesNode;

// Whether content bytes break the token rules: a string or hexadecimal
// string that does not end, a ")" or a single ">" outside one, a byte other
// than a hexadecimal digit or white space inside "<...>", a "]" that closes
// nothing. Inline image data (from "ID" to "EI") is passed over.
bool ContentSyntaxBroken(std::string_view content);

// The pages below the root whose content streams, decoded, break the token
// rules. Each stream is decoded once, within the run's budget.
size_t CountPagesWithBrokenContent(CPdfPagesNode& root, CDecodeBudget& budget);
