#pragma once

#include <cstdint>
#include <vector>

class CPdfDictionary;
class CPdfDocument;
class CPdfObject;

// An encrypted source that opened is written encrypted again: the /Encrypt
// dictionary joins the numbered objects (written in clear), and every other
// object's strings and streams are encrypted under its new number. Before
// the stream lengths are settled, so that they count the encrypted bytes.
// Does nothing for any other source. Throws CEncryptionException when an
// object could not be encrypted.
void EncryptForOutput(const CPdfDocument& document, std::vector<CPdfObject*>& objects, uint64_t& counter);

// The output trailer's /Encrypt and /ID, for an output encrypted again.
void AddEncryptionEntries(const CPdfDocument& document, CPdfDictionary& trailer);
