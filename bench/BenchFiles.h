#pragma once

#include <cstdint>
#include <string>

// Damaged PDF files for the benchmarks, made on the spot: no cross-reference
// table, a wrong startxref, and a last object cut off.

// Mostly binary stream data: `megabytes` of it in 1 MB streams.
void MakeStreamHeavyFile(const std::string& path, int megabytes);
// `pages` pages, each one uncompressed 1800x1800 RGB image of random bytes
// (9.7 MB): 389 MB for 40 pages, and no cross-reference table.
void MakeImageFile(const std::string& path, int pages);
// Many small objects: pages with annotations and strings.
void MakeObjectHeavyFile(const std::string& path, int objects);

// A sound file of `streams` object streams of a hundred small objects each,
// with a cross-reference stream.
void MakeObjectStreamFile(const std::string& path, int streams);

// A word of `megabytes` without whitespace or delimiter between two objects.
void MakeLongWordFile(const std::string& path, int megabytes);
// More than 4 GiB, mostly holes: five streams of 900 MiB of zero bytes, so
// that the repaired file's cross-reference offsets pass 2^32.
void MakeLargeSparseFile(const std::string& path);
