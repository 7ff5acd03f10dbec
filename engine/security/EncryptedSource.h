#pragma once

class CPdfDocument;
class CPdfObject;
class CStandardSecurity;
struct PdfObjectKey;

// An encrypted source, after the parse and before the object streams are
// unpacked, in both modes. Finds the /Encrypt dictionary (through the newest
// trailer or cross-reference stream that names one, else by its shape),
// opens it with the empty user password or one the caller gives, and
// decrypts every salvaged object in place under its source number and
// generation: object streams can then be unpacked, and the writer encrypts
// each object again under its new number. The document keeps the handler,
// the dictionary and the /ID for that. Answers 0, also for a source that is
// not encrypted, or the engine string of the reason the source cannot be
// decrypted (the repair then fails): no right password, a handler other
// than the Standard one or with values out of range, an /ID the key needs
// that is lost, an /Encrypt that the trailer names and that is lost.
int OpenEncryptedSource(CPdfDocument& document);

// Decrypts or encrypts the strings and stream data of one indirect object
// under its key, nested values included; references are not followed.
// Cross-reference streams are never encrypted and stay as they are.
// Answers false when some value could not be done (the ciphers failed, or
// a result too long for the model): that value is left as it was.
bool CryptObjectTree(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfObject& object);
