#include "writer/Reencrypt.h"

#include <memory>

#include "base/Exceptions.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "security/EncryptedSource.h"
#include "security/StandardSecurity.h"
#include "decode/StringBytes.h"

void EncryptForOutput(const CPdfDocument& document, std::vector<CPdfObject*>& objects, uint64_t& counter) {
  const CSourceEncryption* encryption = document.Encryption();
  if (encryption == nullptr) return;
  // An output that names /Encrypt over data left in clear is no honest
  // output: the write fails instead.
  for (CPdfObject* object : objects) {
    if (!CryptObjectTree(encryption->security, true, {object->m_outputNumber, object->OutputGeneration()}, *object)) {
      throw CEncryptionException();
    }
  }
  CPdfObject* dictionary = encryption->dictionary.get();
  dictionary->SetOutputNumbers(counter);
  ++counter;
  objects.push_back(dictionary);
}

void AddEncryptionEntries(const CPdfDocument& document, CPdfDictionary& trailer) {
  const CSourceEncryption* encryption = document.Encryption();
  if (encryption == nullptr) return;
  trailer.SetAt("/Encrypt", std::make_unique<CPdfReference>(kUnresolvableKey, encryption->dictionary.get(), nullptr));
  if (!encryption->hasId) return;  // keyed without one: a new one would change the key
  auto id = std::make_unique<CPdfArray>();
  for (const CByteArray& bytes : encryption->id) {
    const CByteArray text = HexStringText(bytes);
    auto element = std::make_unique<CPdfText>(kindString, text.data(), text.size());
    id->Add(element.get());
    element.release();
  }
  trailer.SetAt("/ID", std::move(id));
}
