#pragma once

class CPdfDocument;
class CPdfObject;
class CStandardSecurity;
struct PdfObjectKey;

// Thorough recovery of an encrypted source, after the parse and before the
// object streams are unpacked. Finds the /Encrypt dictionary (through the
// newest trailer or cross-reference stream that names one, else by its
// shape), opens it with the empty user password and decrypts every
// salvaged object in place under its source number and generation: object
// streams can then be unpacked, and the writer encrypts each object again
// under its new number. The document keeps the handler, the dictionary and
// the /ID for that. A source that does not open is left as it is, and the
// log says so.
void OpenEncryptedSource(CPdfDocument& document);

// Decrypts or encrypts the strings and stream data of one indirect object
// under its key, nested values included; references are not followed.
// Cross-reference streams are never encrypted and stay as they are.
void CryptObjectTree(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfObject& object);
