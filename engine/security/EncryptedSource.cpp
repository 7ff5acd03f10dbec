#include "security/EncryptedSource.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "base/EngineStrings.h"
#include "base/MessageSink.h"
#include "decode/StreamDecode.h"
#include "decode/StringBytes.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"
#include "model/ValueTree.h"
#include "security/StandardSecurity.h"

namespace {

// An /Encrypt dictionary nests two levels (/CF, a filter); anything deeper
// is not the handler's and is left out of the copy.
constexpr int kCloneDepth = 16;

const CPdfObject* Entry(const CPdfDictionary& dictionary, std::string_view key) {
  bool found = false;
  return dictionary.Lookup(key, kindNull, found);
}

std::unique_ptr<CPdfObject> Clone(const CPdfObject& object, int depth) {
  switch (object.Kind()) {
    case kindInteger:
      return std::make_unique<CPdfInteger>(static_cast<const CPdfInteger&>(object).m_value);
    case kindReference: {
      const auto& reference = static_cast<const CPdfReference&>(object);
      return std::make_unique<CPdfReference>(reference.m_key, reference.m_target, reference.Table());
    }
    case kindArray: {
      auto copy = std::make_unique<CPdfArray>();
      const auto& array = static_cast<const CPdfArray&>(object);
      for (size_t i = 0; depth > 0 && i < array.GetCount(); ++i) {
        if (array.GetAt(i) == nullptr) continue;
        std::unique_ptr<CPdfObject> element = Clone(*array.GetAt(i), depth - 1);
        if (!element) continue;
        copy->Add(element.get());
        element.release();
      }
      return copy;
    }
    case kindDictionary: {
      // Inserted in reverse of the dictionary's order, so the copy keeps it.
      std::vector<std::pair<std::string_view, const CPdfObject*>> entries;
      static_cast<const CPdfDictionary&>(object).ForEach(
          [&](std::string_view key, const CPdfObject* value) { entries.emplace_back(key, value); });
      auto copy = std::make_unique<CPdfDictionary>();
      for (auto entry = entries.rbegin(); depth > 0 && entry != entries.rend(); ++entry) {
        if (entry->second != nullptr) copy->SetAt(entry->first, Clone(*entry->second, depth - 1));
      }
      return copy;
    }
    case kindStream:
      return nullptr;
    default: {
      const auto& text = static_cast<const CPdfText&>(object);
      return std::make_unique<CPdfText>(object.Kind(), text.m_bytes.data(), text.m_bytes.size());
    }
  }
}

bool IsEncryptShape(const CPdfObject* object) {
  if (object == nullptr || object->Kind() != kindDictionary) return false;
  const auto& dictionary = static_cast<const CPdfDictionary&>(*object);
  static constinit KeyTexts::CKnownKey kFilter{"/Filter"};
  static constinit KeyTexts::CKnownKey kOwner{"/O"};
  static constinit KeyTexts::CKnownKey kUser{"/U"};
  bool filter = false;
  bool owner = false;
  bool user = false;
  dictionary.Lookup(kOwner, kindString, owner);
  if (!owner) return false;
  dictionary.Lookup(kFilter, kindName, filter);
  dictionary.Lookup(kUser, kindString, user);
  return filter && owner && user && Entry(dictionary, "/P") != nullptr;
}

struct EncryptEntry {
  const CPdfDictionary* dictionary = nullptr;
  PdfObjectKey key = kUnresolvableKey;  // where it lies in the table, if it does
  bool named = false;                   // a trailer names one, found or not
};

// The newest trailer that names a /Root or an /Encrypt decides: its
// /Encrypt, or none when it names none (a file saved in clear after it was
// encrypted). The main trailer of a linearized file names neither: its
// first-page trailer, earlier in the file, holds them. Only when no trailer
// decides, the newest dictionary of the handler's shape.
EncryptEntry FindEncrypt(const CPdfDocument& document, const std::vector<const CPdfDictionary*>& trailers) {
  EncryptEntry found;
  for (const CPdfDictionary* trailer : trailers) {
    const CPdfObject* value = Entry(*trailer, "/Encrypt");
    found.named = value != nullptr && value->Kind() != kindNull;
    if (!found.named && Entry(*trailer, "/Root") == nullptr) continue;
    const CPdfObject* target = Direct(value);
    if (target == nullptr || target->Kind() != kindDictionary) return found;
    found.dictionary = static_cast<const CPdfDictionary*>(target);
    if (value->Kind() == kindReference) found.key = static_cast<const CPdfReference*>(value)->m_key;
    return found;
  }
  document.Table().ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    const CPdfObject* latest = list.GetLatest();
    if (!IsEncryptShape(latest)) return;
    if (found.dictionary == nullptr || latest->SerialNumber() > found.dictionary->SerialNumber()) {
      found.dictionary = static_cast<const CPdfDictionary*>(latest);
      found.key = key;
    }
  });
  return found;
}

// The two strings of the newest /ID; false when no trailer kept one.
bool FindId(const std::vector<const CPdfDictionary*>& trailers, std::array<CByteArray, 2>& id) {
  for (const CPdfDictionary* trailer : trailers) {
    const CPdfObject* value = Direct(Entry(*trailer, "/ID"));
    if (value == nullptr || value->Kind() != kindArray) continue;
    const auto& array = static_cast<const CPdfArray&>(*value);
    std::vector<CByteArray> strings;
    for (size_t i = 0; i < array.GetCount() && strings.size() < 2; ++i) {
      const CPdfObject* element = Direct(array.GetAt(i));
      if (element != nullptr && element->Kind() == kindString) {
        strings.push_back(StringBytes(static_cast<const CPdfText*>(element)->m_bytes));
      }
    }
    if (strings.empty()) continue;
    id = {strings.front(), strings.back()};
    return true;
  }
  return false;
}

void CryptString(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfText& text) {
  const CryptMethod method = security.StringMethod();
  if (method == CryptMethod::identity) return;
  const CByteArray bytes = StringBytes(text.m_bytes);
  CByteArray result;
  if (encrypt ? security.Encrypt(method, key, bytes, result) : security.Decrypt(method, key, bytes, result)) {
    text.m_bytes = HexStringText(result);
  }
}

// The data becomes the end-of-line after "stream", the new bytes and CR LF,
// and /Length says how many: the writer's length check then keeps it.
void CryptStream(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfStream& stream) {
  if (stream.Dictionary() == nullptr || stream.Data() == nullptr) return;
  const CryptMethod method = security.StreamMethod(stream);
  if (method == CryptMethod::identity) return;
  CByteArray scratch;
  const std::string_view data = EncodedStreamData(stream, scratch);
  const size_t begin = FindStreamDataBounds(*stream.Data()).begin;
  // Room for the line ends around the new bytes, so that they are put in
  // place without a second copy of a large stream.
  CByteArray result;
  result.reserve(data.size() + begin + 64);
  if (!(encrypt ? security.Encrypt(method, key, data, result) : security.Decrypt(method, key, data, result))) return;
  if (result.size() > INT32_MAX) return;
  const auto length = static_cast<int32_t>(result.size());
  if (begin > 0) {
    CByteArray lineEnd;
    result.insert(0, stream.Data()->View(0, begin, lineEnd));
  } else {
    result.insert(0, "\r\n");
  }
  result += "\r\n";
  stream.ReplaceData(std::move(result));
  stream.m_cut = false;
  stream.Dictionary()->SetAt("/Length", std::make_unique<CPdfInteger>(length));
}

// The empty user password first, then what the caller answers, three
// times at most. The copies of a password are wiped once tried.
bool Authenticate(const CPdfDocument& document, CStandardSecurity& security) {
  if (security.Authenticate({})) return true;
  const CMessageSink* engine = document.Engine();
  std::string password;
  for (int32_t attempt = 1; engine != nullptr && attempt <= 3 && engine->QueryPassword(attempt, password); ++attempt) {
    const bool opened = security.Authenticate(password);
    std::fill(password.begin(), password.end(), '\0');
    if (opened) return true;
  }
  return false;
}

}  // namespace

void SourceEncryptionDeleter::operator()(CSourceEncryption* encryption) const { delete encryption; }

void CPdfDocument::SetEncryption(std::unique_ptr<CSourceEncryption> encryption) {
  m_encryption.reset(encryption.release());
}

void CryptObjectTree(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfObject& object) {
  VisitValueTree(&object, [&](CPdfObject& value) {
    if (value.Kind() == kindString) CryptString(security, encrypt, key, static_cast<CPdfText&>(value));
    if (value.Kind() != kindStream) return true;
    auto& stream = static_cast<CPdfStream&>(value);
    // Cross-reference streams are never encrypted, their /ID included.
    if (stream.Dictionary() != nullptr && stream.Dictionary()->TypeName() == "/XRef") return false;
    CryptStream(security, encrypt, key, stream);
    return true;
  });
}

int OpenEncryptedSource(CPdfDocument& document) {
  const std::vector<const CPdfDictionary*> trailers = document.TrailerDictionaries();
  const EncryptEntry encrypt = FindEncrypt(document, trailers);
  if (encrypt.dictionary == nullptr) return encrypt.named ? idsEncryptLost : 0;
  auto encryption = std::make_unique<CSourceEncryption>();
  const bool hasId = FindId(trailers, encryption->id);
  CStandardSecurity& security = encryption->security;
  if (!security.Read(*encrypt.dictionary, encryption->id[0])) return idsUnknownHandler;
  // Without an /ID, revisions 2 to 4 keyed the file with an empty one, and
  // so does a reader of an output without one; that is tried with the empty
  // password. When it fails the /ID was lost, and no password would help.
  if (!hasId && security.Revision() <= 4) {
    if (!security.Authenticate({})) return idsIdLost;
  } else if (!Authenticate(document, security)) {
    return idsNoPassword;
  }
  // Revisions 5 and 6 do not depend on the /ID: the output gets one of its
  // own.
  encryption->hasId = hasId;
  if (!hasId && security.Revision() >= 5) {
    std::string fresh;
    if (!security.RandomBytes(16, fresh)) return idsUnknownHandler;
    encryption->id = {fresh, fresh};
    encryption->hasId = true;
  }
  encryption->dictionary = Clone(*encrypt.dictionary, kCloneDepth);
  // The copy is written in clear; the source's own definition would be
  // taken for an encrypted object.
  CPdfObjectTable& table = document.Table();
  table.Remove(encrypt.key, encrypt.dictionary);
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    // The engine's own keys name no source object: no key to decrypt with.
    if (key.number >= kTrailerKey.number) return;
    for (size_t i = 0; i < list.GetCount(); ++i) {
      if (list.GetAt(i) != nullptr) CryptObjectTree(security, false, key, *list.GetAt(i));
    }
  });
  document.SetEncryption(std::move(encryption));
  return 0;
}
