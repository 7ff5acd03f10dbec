#include "security/EncryptedSource.h"

#include <algorithm>
#include <array>
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
// Its values, filters included, number a few dozen.
constexpr size_t kCloneValues = 4096;

const CPdfObject* Entry(const CPdfDictionary& dictionary, std::string_view key) {
  bool found = false;
  return dictionary.Lookup(key, kindNull, found);
}

// A copy with every reference replaced by a copy of what it names, so that
// the dictionary is read and written whole: its referenced strings are the
// handler's own, in clear, and no number of the source's stays in it. A
// reference that names nothing (or a loop, cut by the depth) becomes null.
// References that name one value many times would copy it as often, in
// work that grows with the depth's power: the copy takes at most `left`
// values, and those past it become null.
std::unique_ptr<CPdfObject> Clone(const CPdfObject& object, int depth, size_t& left) {
  if (left == 0) return std::make_unique<CPdfText>(kindNull, "null", 4);
  --left;
  switch (object.Kind()) {
    case kindInteger:
      return std::make_unique<CPdfInteger>(static_cast<const CPdfInteger&>(object).m_value);
    case kindReference: {
      const CPdfObject* target = static_cast<const CPdfReference&>(object).Resolve();
      if (target == nullptr || target->Kind() == kindReference || depth <= 0) {
        return std::make_unique<CPdfText>(kindNull, "null", 4);
      }
      return Clone(*target, depth - 1, left);
    }
    case kindArray: {
      auto copy = std::make_unique<CPdfArray>();
      const auto& array = static_cast<const CPdfArray&>(object);
      for (size_t i = 0; depth > 0 && i < array.GetCount(); ++i) {
        if (array.GetAt(i) == nullptr) continue;
        std::unique_ptr<CPdfObject> element = Clone(*array.GetAt(i), depth - 1, left);
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
        if (entry->second != nullptr) copy->SetAt(entry->first, Clone(*entry->second, depth - 1, left));
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
};

struct EncryptCandidates {
  std::vector<EncryptEntry> entries;  // newest first, each dictionary once
  bool named = false;                 // a trailer names one, found or not
};

// Every trailer and cross-reference stream dictionary may name the
// handler, the newest first: a linearized file names it in its first-page
// trailer, earlier in the file than the main one, which may name only
// /Root or nothing at all. Only when no trailer names a /Root or an
// /Encrypt, the newest dictionary of the handler's shape.
EncryptCandidates FindEncrypt(const CPdfDocument& document, const std::vector<const CPdfDictionary*>& trailers) {
  EncryptCandidates found;
  bool decided = false;
  for (const CPdfDictionary* trailer : trailers) {
    const CPdfObject* value = Entry(*trailer, "/Encrypt");
    const bool named = value != nullptr && value->Kind() != kindNull;
    decided = decided || named || Entry(*trailer, "/Root") != nullptr;
    if (!named) continue;
    found.named = true;
    const CPdfObject* target = Direct(value);
    if (target == nullptr || target->Kind() != kindDictionary) continue;
    EncryptEntry entry{static_cast<const CPdfDictionary*>(target), kUnresolvableKey};
    if (value->Kind() == kindReference) entry.key = static_cast<const CPdfReference*>(value)->m_key;
    const bool known = std::any_of(found.entries.begin(), found.entries.end(),
                                   [&](const EncryptEntry& other) { return other.dictionary == entry.dictionary; });
    if (!known) found.entries.push_back(entry);
  }
  if (decided) return found;
  EncryptEntry shaped;
  document.Table().ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    const CPdfObject* latest = list.GetLatest();
    if (!IsEncryptShape(latest)) return;
    if (shaped.dictionary == nullptr || latest->SerialNumber() > shaped.dictionary->SerialNumber()) {
      shaped.dictionary = static_cast<const CPdfDictionary*>(latest);
      shaped.key = key;
    }
  });
  if (shaped.dictionary != nullptr) found.entries.push_back(shaped);
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

// Both answer false when the ciphers failed or the result cannot be
// written: the value is then left as it was, and the caller must not
// write it as if it had been done.
bool CryptString(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfText& text) {
  const CryptMethod method = security.StringMethod();
  if (method == CryptMethod::identity) return true;
  const CByteArray bytes = StringBytes(text.m_bytes);
  CByteArray result;
  if (!(encrypt ? security.Encrypt(method, key, bytes, result) : security.Decrypt(method, key, bytes, result))) {
    return false;
  }
  text.m_bytes = HexStringText(result);
  return true;
}

// A stream that no "endstream" bounds is decrypted over its own data
// alone, as the length rule of the writer would have cut it: what follows
// it in the source would decrypt to noise at its end. Where the data ends
// is read from the plain bytes (the end of their zlib data) or else from
// the stated length, counted in encrypted bytes.
bool DecryptCutStream(const CStandardSecurity& security, CryptMethod method, PdfObjectKey key, const CPdfStream& stream,
                      size_t begin, CByteArray& plain) {
  CByteArray scratch;
  const std::string_view raw = stream.Data()->View(begin, stream.Data()->size() - begin, scratch);
  const std::string_view extent = raw.substr(0, CutStreamDataLength(raw, std::string_view::npos, -1));
  if (!security.Decrypt(method, key, extent, plain)) return false;
  const CPdfDictionary& dictionary = *stream.Dictionary();
  const size_t zlibEnd = FirstFilterIsFlate(dictionary) ? DeflatedSize(plain) : std::string_view::npos;
  if (zlibEnd != std::string_view::npos) {
    plain.resize(zlibEnd);
    return true;
  }
  int64_t stated = -1;
  if (!IntegerEntry(dictionary, "/Length", stated) || stated < 0 || static_cast<uint64_t>(stated) > extent.size()) {
    return true;
  }
  return security.Decrypt(method, key, extent.substr(0, static_cast<size_t>(stated)), plain);
}

// Data this large is decrypted and encrypted as it is read, never held.
constexpr size_t kCryptAsRead = 4096;

void SetCryptedLength(CPdfStream& stream, size_t length) {
  stream.m_cut = false;
  stream.Dictionary()->SetAt("/Length", std::make_unique<CPdfInteger>(static_cast<int32_t>(length)));
}

bool CryptAsRead(const CStandardSecurity& security, bool encrypt, CryptMethod method, PdfObjectKey key,
                 CPdfStream& stream, size_t begin) {
  const size_t end = StreamDataEnd(stream);
  CByteArray lineEnd = "\r\n";
  if (begin > 0) {
    CByteArray scratch;
    lineEnd.assign(stream.Data()->View(0, begin, scratch));
  }
  std::unique_ptr<CStreamData> data = stream.TakeData();
  std::unique_ptr<CDataTransform> made = encrypt ? security.EncryptAsRead(method, key, data, begin, end - begin)
                                                 : security.DecryptAsRead(method, key, data, begin, end - begin);
  if (!made) {
    stream.SetData(std::move(data));
    return false;
  }
  const size_t length = made->Size();
  stream.SetData(std::make_unique<CStreamData>(std::move(lineEnd), std::move(made)));
  // No integer of the model could say the length.
  if (length > INT32_MAX) return false;
  SetCryptedLength(stream, length);
  return true;
}

// The data becomes the end-of-line after "stream", the new bytes and CR LF,
// and /Length says how many: the writer's length check then keeps it.
bool CryptStream(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfStream& stream) {
  if (stream.Dictionary() == nullptr || stream.Data() == nullptr) return true;
  const CryptMethod method = security.StreamMethod(stream);
  if (method == CryptMethod::identity) return true;
  const size_t begin = FindStreamDataBounds(*stream.Data()).begin;
  // A cut stream's end is read from its plain bytes: it is decrypted whole.
  if (stream.Data()->size() >= kCryptAsRead && (encrypt || !stream.m_cut)) {
    return CryptAsRead(security, encrypt, method, key, stream, begin);
  }
  // Room for the line ends around the new bytes, so that they are put in
  // place without a second copy of a large stream.
  CByteArray result;
  result.reserve(stream.Data()->size() + 64);
  if (!encrypt && stream.m_cut) {
    if (!DecryptCutStream(security, method, key, stream, begin, result)) return false;
  } else {
    CByteArray scratch;
    const std::string_view data = EncodedStreamData(stream, scratch);
    if (!(encrypt ? security.Encrypt(method, key, data, result) : security.Decrypt(method, key, data, result))) {
      return false;
    }
  }
  // No integer of the model could say the length.
  if (result.size() > INT32_MAX) return false;
  const auto length = static_cast<int32_t>(result.size());
  if (begin > 0) {
    CByteArray lineEnd;
    result.insert(0, stream.Data()->View(0, begin, lineEnd));
  } else {
    result.insert(0, "\r\n");
  }
  result += "\r\n";
  stream.ReplaceData(std::move(result));
  SetCryptedLength(stream, static_cast<size_t>(length));
  return true;
}

// A handler that read, with the dictionary it read from.
struct Candidate {
  std::unique_ptr<CSourceEncryption> encryption;
  const EncryptEntry* entry;
};

// Tries the password on every candidate, the newest first; answers the one
// it opens, or null. The copies of a password are wiped once tried.
Candidate* OpenWith(std::vector<Candidate>& candidates, std::string& password) {
  Candidate* opened = nullptr;
  for (Candidate& candidate : candidates) {
    if (candidate.encryption->security.Authenticate(password)) {
      opened = &candidate;
      break;
    }
  }
  std::fill(password.begin(), password.end(), '\0');
  return opened;
}

// The empty user password first, then what the caller answers, three
// times at most.
Candidate* Authenticate(const CPdfDocument& document, std::vector<Candidate>& candidates) {
  std::string password;
  if (Candidate* opened = OpenWith(candidates, password)) return opened;
  const CMessageSink* engine = document.Engine();
  for (int32_t attempt = 1; engine != nullptr && attempt <= 3 && engine->QueryPassword(attempt, password); ++attempt) {
    if (Candidate* opened = OpenWith(candidates, password)) return opened;
  }
  std::fill(password.begin(), password.end(), '\0');
  return nullptr;
}

// Decrypts every salvaged object in place; false when some could not be.
bool DecryptTable(CPdfObjectTable& table, const CStandardSecurity& security) {
  bool decrypted = true;
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    // The engine's own keys name no source object: no key to decrypt with.
    if (key.number >= kTrailerKey.number) return;
    for (size_t i = 0; i < list.GetCount(); ++i) {
      if (list.GetAt(i) != nullptr && !CryptObjectTree(security, false, key, *list.GetAt(i))) decrypted = false;
    }
  });
  return decrypted;
}

}  // namespace

void SourceEncryptionDeleter::operator()(CSourceEncryption* encryption) const { delete encryption; }

void CPdfDocument::SetEncryption(std::unique_ptr<CSourceEncryption> encryption) {
  m_encryption.reset(encryption.release());
}

bool CryptObjectTree(const CStandardSecurity& security, bool encrypt, PdfObjectKey key, CPdfObject& object) {
  bool done = true;
  VisitValueTree(&object, [&](CPdfObject& value) {
    if (value.Kind() == kindString && !CryptString(security, encrypt, key, static_cast<CPdfText&>(value))) {
      done = false;
    }
    if (value.Kind() != kindStream) return true;
    auto& stream = static_cast<CPdfStream&>(value);
    // Cross-reference streams are never encrypted, their /ID included.
    if (stream.Dictionary() != nullptr && stream.Dictionary()->TypeName() == "/XRef") return false;
    if (!CryptStream(security, encrypt, key, stream)) done = false;
    return true;
  });
  return done;
}

int OpenEncryptedSource(CPdfDocument& document) {
  const std::vector<const CPdfDictionary*> trailers = document.TrailerDictionaries();
  const EncryptCandidates found = FindEncrypt(document, trailers);
  if (found.entries.empty()) return found.named ? idsEncryptLost : 0;
  std::array<CByteArray, 2> id;
  const bool hasId = FindId(trailers, id);
  std::vector<Candidate> candidates;
  for (const EncryptEntry& entry : found.entries) {
    auto encryption = std::make_unique<CSourceEncryption>();
    encryption->id = id;
    // Read from the resolved copy: the handler's values as the output has them.
    size_t left = kCloneValues;
    encryption->dictionary = Clone(*entry.dictionary, kCloneDepth, left);
    const auto& resolved = static_cast<const CPdfDictionary&>(*encryption->dictionary);
    if (encryption->security.Read(resolved, id[0])) candidates.push_back({std::move(encryption), &entry});
  }
  if (candidates.empty()) return idsUnknownHandler;
  // Without an /ID, revisions 2 to 4 keyed the file with an empty one, and
  // so does a reader of an output without one; only the empty password is
  // tried on them. When nothing opens, the /ID was lost, and no password
  // would help.
  const bool idNeeded = !hasId && std::all_of(candidates.begin(), candidates.end(), [](const Candidate& candidate) {
    return candidate.encryption->security.Revision() <= 4;
  });
  std::string empty;
  Candidate* opened = idNeeded ? OpenWith(candidates, empty) : Authenticate(document, candidates);
  if (opened == nullptr) return idNeeded ? idsIdLost : idsNoPassword;
  std::unique_ptr<CSourceEncryption> encryption = std::move(opened->encryption);
  CStandardSecurity& security = encryption->security;
  // Revisions 5 and 6 do not depend on the /ID: the output gets one of its
  // own.
  encryption->hasId = hasId;
  if (!hasId && security.Revision() >= 5) {
    std::string fresh;
    if (!security.RandomBytes(16, fresh)) return idsUnknownHandler;
    encryption->id = {fresh, fresh};
    encryption->hasId = true;
  }
  // The copy is written in clear; the source's own definitions would be
  // taken for encrypted objects.
  CPdfObjectTable& table = document.Table();
  for (const EncryptEntry& entry : found.entries) table.Remove(entry.key, entry.dictionary);
  // Ciphertext left among the plain objects would be encrypted twice.
  if (!DecryptTable(table, security)) return idsUnknownHandler;
  document.SetEncryption(std::move(encryption));
  return 0;
}
