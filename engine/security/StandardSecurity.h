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

// The Standard security handler, opened with the empty user password: the
// file key, and the methods of the crypt filters (revisions 2 to 6, RC4 of
// 40 to 128 bits, AES of 128 and 256 bits).
class CStandardSecurity {
 public:
  // Answers false when the dictionary is not the Standard handler's, holds
  // a value out of range, or the empty user password does not open it.
  // `firstId` is the first string of the trailer's /ID; revisions 5 and 6
  // do not use it.
  bool Open(const CPdfDictionary& encrypt, std::string_view firstId);

  int Revision() const { return m_revision; }
  CryptMethod StringMethod() const { return m_strings; }
  // A stream's own /Crypt filter first, then the handler's filters: the
  // embedded-file one, none for metadata kept in clear, else the default.
  CryptMethod StreamMethod(const CPdfStream& stream) const;

  // Both answer false when the ciphers fail; AES data too short for its IV
  // decrypts to nothing.
  bool Decrypt(CryptMethod method, PdfObjectKey key, std::string_view data, CByteArray& plain) const;
  bool Encrypt(CryptMethod method, PdfObjectKey key, std::string_view data, CByteArray& encrypted) const;
  // Unpredictable bytes, for a new /ID.
  bool RandomBytes(size_t count, std::string& bytes) const { return m_ciphers.Random(count, bytes); }

 private:
  bool ReadMethods(const CPdfDictionary& encrypt);
  bool MethodOfFilter(std::string_view name, CryptMethod& method) const;
  bool OpenRevision4(std::string_view owner, std::string_view user, int32_t permissions, std::string_view firstId);
  bool OpenRevision6(std::string_view user, std::string_view userKey);
  bool HashRevision6(std::string_view salt, std::string& hash) const;
  bool ObjectKey(CryptMethod method, PdfObjectKey key, std::string& objectKey) const;

  CCiphers m_ciphers;
  int m_version = 0;
  int m_revision = 0;
  size_t m_keyLength = 5;
  bool m_encryptMetadata = true;
  std::string m_fileKey;
  std::map<std::string, CryptMethod, std::less<>> m_filters;  // /CF by name
  CryptMethod m_strings = CryptMethod::rc4;
  CryptMethod m_streams = CryptMethod::rc4;
  CryptMethod m_embeddedFiles = CryptMethod::rc4;
};

// An encrypted source that opened, for the writer: the output is encrypted
// again under the same key, with the same /Encrypt dictionary and /ID.
struct CSourceEncryption {
  CStandardSecurity security;
  std::unique_ptr<CPdfObject> dictionary;  // written as it came, in clear
  std::array<CByteArray, 2> id;            // the bytes of the two /ID strings
  bool hasId = false;                      // the output names an /ID
};
