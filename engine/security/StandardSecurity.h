#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "model/PdfObject.h"
#include "security/Ciphers.h"

class CPdfDictionary;

// How one string or stream is encrypted.
enum class CryptMethod : uint8_t { identity, rc4, aesV2, aesV3 };

// The Standard security handler: the file key from the user or the owner
// password, and the methods of the crypt filters (revisions 2 to 6, RC4 of
// 40 to 128 bits, AES of 128 and 256 bits).
class CStandardSecurity {
 public:
  // Reads the handler's dictionary. Answers false when it is not the
  // Standard handler's or holds a value out of range. `firstId` is the first
  // string of the trailer's /ID; revisions 5 and 6 do not use it.
  bool Read(const CPdfDictionary& encrypt, std::string_view firstId);
  // After Read: tries the password as the user password, then as the owner
  // password, and keeps the file key of the first that opens the file. The
  // bytes are any the caller gave, NUL included: revisions 2 to 4 take the
  // first 32 of them, revisions 5 and 6 their SASLprep form (below).
  bool Authenticate(std::string_view password);
  // Read, then the empty user password.
  bool Open(const CPdfDictionary& encrypt, std::string_view firstId) { return Read(encrypt, firstId) && Authenticate({}); }

  int Revision() const { return m_revision; }
  CryptMethod StringMethod() const { return m_strings; }
  // A stream's own /Crypt filter first, then the handler's filters: the
  // embedded-file one, none for metadata kept in clear, else the default.
  CryptMethod StreamMethod(const CPdfStream& stream) const;

  // Both answer false when the ciphers fail; AES data too short for its IV
  // decrypts to nothing.
  bool Decrypt(CryptMethod method, PdfObjectKey key, std::string_view data, CByteArray& plain) const;
  bool Encrypt(CryptMethod method, PdfObjectKey key, std::string_view data, CByteArray& encrypted) const;
  // The same over bytes [begin, begin + length) of a stream's data, made a
  // piece at a time as they are read, with the same result. The transform
  // takes the data; null, leaving it, when the key or the cipher cannot be
  // had.
  std::unique_ptr<CDataTransform> DecryptAsRead(CryptMethod method, PdfObjectKey key,
                                                std::unique_ptr<CStreamData>& data, size_t begin, size_t length) const;
  std::unique_ptr<CDataTransform> EncryptAsRead(CryptMethod method, PdfObjectKey key,
                                                std::unique_ptr<CStreamData>& data, size_t begin, size_t length) const;
  // Unpredictable bytes, for a new /ID.
  bool RandomBytes(size_t count, std::string& bytes) const { return m_ciphers.Random(count, bytes); }

 private:
  bool ReadMethods(const CPdfDictionary& encrypt);
  bool MethodOfFilter(std::string_view name, CryptMethod& method) const;
  bool UserRevision4(const std::string& padded);
  bool OwnerRevision4(const std::string& padded);
  bool AuthenticateRevision6(const std::string& password);
  bool HashRevision6(std::string_view password, std::string_view salt, std::string_view userData,
                     std::string& hash) const;
  bool ObjectKey(CryptMethod method, PdfObjectKey key, std::string& objectKey) const;

  CCiphers m_ciphers;
  int m_version = 0;
  int m_revision = 0;
  size_t m_keyLength = 5;
  bool m_encryptMetadata = true;
  std::string m_fileKey;
  std::string m_owner;     // /O: 32 bytes, 48 for revisions 5 and 6
  std::string m_user;      // /U, as long
  std::string m_ownerKey;  // /OE: 32 bytes, or none
  std::string m_userKey;   // /UE: 32 bytes (revisions 5 and 6)
  std::string m_firstId;
  uint32_t m_permissions = 0;
  std::map<std::string, CryptMethod, std::less<>> m_filters;  // /CF by name
  CryptMethod m_strings = CryptMethod::rc4;
  CryptMethod m_streams = CryptMethod::rc4;
  CryptMethod m_embeddedFiles = CryptMethod::rc4;
};

// A password of revisions 5 and 6 as the handler takes it: the UTF-8 text
// after SASLprep (RFC 4013), its first 127 bytes. Bytes that SASLprep
// refuses (invalid UTF-8, a NUL, a prohibited character) are taken as they
// are.
std::string SaslPrepared(std::string_view password);

// An encrypted source that opened, for the writer: the output is encrypted
// again under the same key, with the same /Encrypt dictionary and /ID.
struct CSourceEncryption {
  CStandardSecurity security;
  std::unique_ptr<CPdfObject> dictionary;  // written as it came, in clear
  std::array<CByteArray, 2> id;            // the bytes of the two /ID strings
  bool hasId = false;                      // the output names an /ID
};
