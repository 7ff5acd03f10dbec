#pragma once

#include <cstddef>

class CDecodeBudget;
class CPdfPagesNode;

// Thorough recovery, after the page tree is rebuilt and before lost fonts
// are replaced: the resources of the pages and pages nodes below the root
// lose what readers stop on. A category that is not a dictionary, and an
// entry of the wrong kind (a font, graphics state or property list that is
// no dictionary, an image or form that is no stream), are dropped: a font
// dropped so is then lost, and replaced as lost fonts are. A simple font
// whose embedded program is no stream or does not decode to its end becomes
// the standard font, with its encoding and widths. Programs are decoded
// within the run's budget, each font once. Answers how many fonts became
// the standard one.
size_t RepairPageResources(CPdfPagesNode& root, CDecodeBudget& budget);
