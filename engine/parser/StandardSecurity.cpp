#include "parser/StandardSecurity.h"

#include <cerrno>
#include <cstdlib>

#include "model/PdfDictionary.h"
#include "parser/StringBytes.h"

namespace {

// An integer; one too large for the model's 32 bits is kept as a real's
// text (a /P written unsigned), and read here.
bool WideIntegerEntry(const CPdfDictionary& dictionary, std::string_view key, int64_t& integer) {
  if (IntegerEntry(dictionary, key, integer)) return true;
  const CPdfObject* value = DirectEntry(dictionary, key);
  if (value == nullptr || value->Kind() != kindReal) return false;
  const std::string text = static_cast<const CPdfText*>(value)->m_bytes;
  char* end = nullptr;
  errno = 0;
  integer = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end != text.c_str() && *end == '\0';
}

std::string_view NameEntry(const CPdfDictionary& dictionary, std::string_view key) {
  const CPdfObject* value = DirectEntry(dictionary, key);
  if (value == nullptr || value->Kind() != kindName) return {};
  return static_cast<const CPdfText*>(value)->m_bytes;
}

// The string's bytes, when it has at least `size` of them; only the first
// `size` are answered.
bool StringEntry(const CPdfDictionary& dictionary, std::string_view key, size_t size, std::string& bytes) {
  const CPdfObject* value = DirectEntry(dictionary, key);
  if (value == nullptr || value->Kind() != kindString) return false;
  bytes = StringBytes(static_cast<const CPdfText*>(value)->m_bytes);
  if (bytes.size() < size) return false;
  bytes.resize(size);
  return true;
}

bool MethodOfCfm(std::string_view cfm, CryptMethod& method) {
  if (cfm.empty() || cfm == "/None") {
    method = CryptMethod::identity;
  } else if (cfm == "/V2") {
    method = CryptMethod::rc4;
  } else if (cfm == "/AESV2") {
    method = CryptMethod::aesV2;
  } else if (cfm == "/AESV3") {
    method = CryptMethod::aesV3;
  } else {
    return false;
  }
  return true;
}

std::string LittleEndian(uint32_t value, size_t bytes) {
  std::string text;
  for (size_t i = 0; i < bytes; ++i) text.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return text;
}

}  // namespace

bool CStandardSecurity::Read(const CPdfDictionary& encrypt, std::string_view firstId) {
  int64_t version = 0;
  int64_t revision = 0;
  int64_t permissions = 0;
  if (NameEntry(encrypt, "/Filter") != "/Standard" || !m_ciphers.Available() ||
      !IntegerEntry(encrypt, "/V", version) || !IntegerEntry(encrypt, "/R", revision) ||
      !WideIntegerEntry(encrypt, "/P", permissions)) {
    return false;
  }
  const bool aes256 = version == 5 && (revision == 5 || revision == 6);
  const bool classic = (version == 1 || version == 2 || version == 4) && revision >= 2 && revision <= 4;
  if (!aes256 && !classic) return false;
  m_version = static_cast<int>(version);
  m_revision = static_cast<int>(revision);
  const CPdfObject* metadata = DirectEntry(encrypt, "/EncryptMetadata");
  m_encryptMetadata = !(metadata != nullptr && metadata->Kind() == kindBoolean &&
                        static_cast<const CPdfText*>(metadata)->m_bytes == "false");
  // Without /Length: 40 bits, but 128 for version 4, whose methods fix it.
  int64_t bits = m_version == 4 ? 128 : 40;
  IntegerEntry(encrypt, "/Length", bits);
  if (m_version == 1 || m_revision == 2) bits = 40;
  if (m_version == 4 && (bits < 40 || bits > 128 || bits % 8 != 0)) bits = 128;
  if (!aes256 && (bits < 40 || bits > 128 || bits % 8 != 0)) return false;
  m_keyLength = aes256 ? 32 : static_cast<size_t>(bits / 8);
  if (!ReadMethods(encrypt)) return false;
  const size_t hashedSize = aes256 ? 48 : 32;
  if (!StringEntry(encrypt, "/O", hashedSize, m_owner) || !StringEntry(encrypt, "/U", hashedSize, m_user)) return false;
  if (aes256) {
    // Without /OE only the user password opens the file.
    if (!StringEntry(encrypt, "/UE", 32, m_userKey)) return false;
    if (!StringEntry(encrypt, "/OE", 32, m_ownerKey)) m_ownerKey.clear();
  }
  m_permissions = static_cast<uint32_t>(permissions);
  m_firstId.assign(firstId);
  return true;
}

// Versions 4 and 5 name their methods through crypt filters; the earlier
// ones use RC4 for everything.
bool CStandardSecurity::ReadMethods(const CPdfDictionary& encrypt) {
  if (m_version < 4) return true;
  const CPdfObject* filters = DirectEntry(encrypt, "/CF");
  if (filters != nullptr && filters->Kind() == kindDictionary) {
    bool valid = true;
    static_cast<const CPdfDictionary*>(filters)->ForEach([&](std::string_view name, const CPdfObject* filter) {
      if (filter != nullptr && filter->Kind() == kindReference) filter = static_cast<const CPdfReference*>(filter)->Resolve();
      CryptMethod method = CryptMethod::identity;
      if (filter == nullptr || filter->Kind() != kindDictionary ||
          !MethodOfCfm(NameEntry(*static_cast<const CPdfDictionary*>(filter), "/CFM"), method)) {
        valid = false;
        return;
      }
      // A method of the other version would need a key of another length.
      if ((m_version == 5) != (method == CryptMethod::aesV3) && method != CryptMethod::identity) valid = false;
      if (method == CryptMethod::aesV2 && m_keyLength != 16) valid = false;
      m_filters.emplace(std::string(name), method);
    });
    if (!valid) return false;
  }
  const std::string_view streams = NameEntry(encrypt, "/StmF");
  const std::string_view strings = NameEntry(encrypt, "/StrF");
  const std::string_view embedded = NameEntry(encrypt, "/EFF");
  return MethodOfFilter(streams.empty() ? "/Identity" : streams, m_streams) &&
         MethodOfFilter(strings.empty() ? "/Identity" : strings, m_strings) &&
         MethodOfFilter(embedded.empty() ? (streams.empty() ? "/Identity" : streams) : embedded, m_embeddedFiles);
}

bool CStandardSecurity::MethodOfFilter(std::string_view name, CryptMethod& method) const {
  if (name == "/Identity") {
    method = CryptMethod::identity;
    return true;
  }
  const auto found = m_filters.find(name);
  if (found == m_filters.end()) return false;
  method = found->second;
  return true;
}

bool CStandardSecurity::ObjectKey(CryptMethod method, PdfObjectKey key, std::string& objectKey) const {
  if (m_version == 5) {
    objectKey = m_fileKey;
    return true;
  }
  std::string input = m_fileKey + LittleEndian(key.number, 3) + LittleEndian(key.generation, 2);
  if (method == CryptMethod::aesV2) input += "sAlT";
  if (!m_ciphers.Md5(input, objectKey)) return false;
  objectKey.resize(std::min<size_t>(m_keyLength + 5, 16));
  return true;
}

CryptMethod CStandardSecurity::StreamMethod(const CPdfStream& stream) const {
  if (m_version < 4) return CryptMethod::rc4;
  const CPdfDictionary* dictionary = stream.Dictionary();
  if (dictionary == nullptr) return m_streams;
  const CPdfObject* filter = DirectEntry(*dictionary, "/Filter");
  const CPdfObject* parameters = DirectEntry(*dictionary, "/DecodeParms");
  if (filter != nullptr && filter->Kind() == kindArray) {
    const auto& filters = static_cast<const CPdfArray&>(*filter);
    filter = filters.GetCount() > 0 ? Direct(filters.GetAt(0)) : nullptr;
    const auto* array = parameters != nullptr && parameters->Kind() == kindArray ? static_cast<const CPdfArray*>(parameters) : nullptr;
    if (array != nullptr) parameters = array->GetCount() > 0 ? Direct(array->GetAt(0)) : nullptr;
  }
  if (filter != nullptr && filter->Kind() == kindName && static_cast<const CPdfText*>(filter)->m_bytes == "/Crypt") {
    // A crypt filter of the stream's own; without a name it is /Identity.
    CryptMethod method = CryptMethod::identity;
    if (parameters != nullptr && parameters->Kind() == kindDictionary) {
      const std::string_view name = NameEntry(*static_cast<const CPdfDictionary*>(parameters), "/Name");
      if (!MethodOfFilter(name.empty() ? "/Identity" : name, method)) method = CryptMethod::identity;
    }
    return method;
  }
  const std::string_view type = dictionary->TypeName();
  if (type == "/Metadata" && !m_encryptMetadata) return CryptMethod::identity;
  if (type == "/EmbeddedFile") return m_embeddedFiles;
  return m_streams;
}

bool CStandardSecurity::Decrypt(CryptMethod method, PdfObjectKey key, std::string_view data, CByteArray& plain) const {
  std::string objectKey;
  if (method == CryptMethod::identity) {
    plain.assign(data);
    return true;
  }
  if (!ObjectKey(method, key, objectKey)) return false;
  if (method == CryptMethod::rc4) return m_ciphers.Rc4(objectKey, data, plain);
  plain.clear();
  if (data.size() < 16) return true;  // not even the IV: nothing was there
  // Whole blocks only, so that a cut end costs its last block alone; the
  // padding is removed when it is well formed.
  const std::string_view blocks = data.substr(16, (data.size() - 16) / 16 * 16);
  if (!m_ciphers.Aes(false, objectKey, data.substr(0, 16), blocks, false, plain)) return false;
  const size_t pad = plain.empty() ? 0 : static_cast<uint8_t>(plain.back());
  if (pad >= 1 && pad <= 16 && pad <= plain.size() &&
      plain.find_first_not_of(plain.back(), plain.size() - pad) == std::string::npos) {
    plain.resize(plain.size() - pad);
  }
  return true;
}

bool CStandardSecurity::Encrypt(CryptMethod method, PdfObjectKey key, std::string_view data,
                                CByteArray& encrypted) const {
  std::string objectKey;
  if (method == CryptMethod::identity) {
    encrypted.assign(data);
    return true;
  }
  if (!ObjectKey(method, key, objectKey)) return false;
  if (method == CryptMethod::rc4) return m_ciphers.Rc4(objectKey, data, encrypted);
  std::string iv;
  std::string blocks;
  if (!m_ciphers.Random(16, iv) || !m_ciphers.Aes(true, objectKey, iv, data, true, blocks)) return false;
  encrypted = iv + blocks;
  return true;
}
