#pragma once

class CPdfDictionary;
struct CRepairReport;

// Counts what the catalog keeps of the document's features: every outline
// item, the page-label ranges, the form fields and the named destinations.
// Each count walks its tree once, visiting every node at most once and no
// more than a bounded number in all: loops and forged depths end the walk.
void CountDocumentFeatures(const CPdfDictionary& catalog, CRepairReport& report);
