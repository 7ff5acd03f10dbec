#include "security/Ciphers.h"

#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdint>

struct CCiphers::Library {
  OSSL_LIB_CTX* context = nullptr;
  OSSL_PROVIDER* standard = nullptr;
  OSSL_PROVIDER* legacy = nullptr;
  EVP_MD* md5 = nullptr;
  EVP_MD* sha256 = nullptr;
  EVP_MD* sha384 = nullptr;
  EVP_MD* sha512 = nullptr;
  EVP_CIPHER* rc4 = nullptr;
  EVP_CIPHER* aes128 = nullptr;
  EVP_CIPHER* aes256 = nullptr;

  ~Library() {
    for (EVP_MD* md : {md5, sha256, sha384, sha512}) EVP_MD_free(md);
    for (EVP_CIPHER* cipher : {rc4, aes128, aes256}) EVP_CIPHER_free(cipher);
    if (legacy != nullptr) OSSL_PROVIDER_unload(legacy);
    if (standard != nullptr) OSSL_PROVIDER_unload(standard);
    OSSL_LIB_CTX_free(context);
  }
};

namespace {

const unsigned char* Bytes(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// Runs a cipher set up in the context over the data, a piece an int can
// count at a time, and finishes it.
bool RunCipher(EVP_CIPHER_CTX* context, std::string_view data, std::string& output) {
  constexpr size_t kPiece = size_t{1} << 28;
  output.resize(data.size() + 2 * EVP_MAX_BLOCK_LENGTH);
  size_t produced = 0;
  for (size_t at = 0; at < data.size(); at += kPiece) {
    const size_t piece = std::min(kPiece, data.size() - at);
    int got = 0;
    if (EVP_CipherUpdate(context, reinterpret_cast<unsigned char*>(output.data() + produced), &got,
                         Bytes(data.substr(at, piece)), static_cast<int>(piece)) != 1) {
      return false;
    }
    produced += static_cast<size_t>(got);
  }
  int got = 0;
  if (EVP_CipherFinal_ex(context, reinterpret_cast<unsigned char*>(output.data() + produced), &got) != 1) return false;
  output.resize(produced + static_cast<size_t>(got));
  return true;
}

}  // namespace

CCiphers::CCiphers() : m_library(std::make_shared<Library>()) {
  Library& library = *m_library;
  library.context = OSSL_LIB_CTX_new();
  if (library.context == nullptr) return;
  library.standard = OSSL_PROVIDER_load(library.context, "default");
  library.legacy = OSSL_PROVIDER_load(library.context, "legacy");
  library.md5 = EVP_MD_fetch(library.context, "MD5", nullptr);
  library.sha256 = EVP_MD_fetch(library.context, "SHA256", nullptr);
  library.sha384 = EVP_MD_fetch(library.context, "SHA384", nullptr);
  library.sha512 = EVP_MD_fetch(library.context, "SHA512", nullptr);
  library.rc4 = EVP_CIPHER_fetch(library.context, "RC4", nullptr);
  library.aes128 = EVP_CIPHER_fetch(library.context, "AES-128-CBC", nullptr);
  library.aes256 = EVP_CIPHER_fetch(library.context, "AES-256-CBC", nullptr);
}

CCiphers::~CCiphers() = default;

// RC4 is not asked for: without the legacy provider, AES-256 files still
// open, and the others fail where RC4 is first needed.
bool CCiphers::Available() const {
  const Library& library = *m_library;
  return library.md5 != nullptr && library.sha256 != nullptr && library.sha384 != nullptr &&
         library.sha512 != nullptr && library.aes128 != nullptr && library.aes256 != nullptr;
}

namespace {

bool Digest(const EVP_MD* md, std::string_view data, std::string& digest) {
  if (md == nullptr) return false;
  unsigned char bytes[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), bytes, &length, md, nullptr) != 1) return false;
  digest.assign(reinterpret_cast<const char*>(bytes), length);
  return true;
}

}  // namespace

bool CCiphers::Md5(std::string_view data, std::string& digest) const { return Digest(m_library->md5, data, digest); }

bool CCiphers::Sha2(int bits, std::string_view data, std::string& digest) const {
  const EVP_MD* md = bits == 256 ? m_library->sha256 : bits == 384 ? m_library->sha384 : m_library->sha512;
  return Digest(md, data, digest);
}

bool CCiphers::Rc4(std::string_view key, std::string_view data, std::string& output) const {
  if (m_library->rc4 == nullptr || key.empty() || key.size() > 32) return false;
  output.clear();
  if (data.empty()) return true;
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  if (context == nullptr) return false;
  // The key length must be set before the key: RC4's default is 16 bytes.
  const bool done = EVP_CipherInit_ex2(context, m_library->rc4, nullptr, nullptr, 1, nullptr) == 1 &&
                    EVP_CIPHER_CTX_set_key_length(context, static_cast<int>(key.size())) == 1 &&
                    EVP_CipherInit_ex2(context, nullptr, Bytes(key), nullptr, 1, nullptr) == 1 &&
                    RunCipher(context, data, output);
  EVP_CIPHER_CTX_free(context);
  return done;
}

bool CCiphers::Aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view data, bool padding,
                   std::string& output) const {
  const EVP_CIPHER* cipher = key.size() == 16 ? m_library->aes128 : key.size() == 32 ? m_library->aes256 : nullptr;
  if (cipher == nullptr || iv.size() != 16) return false;
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  if (context == nullptr) return false;
  const bool done = EVP_CipherInit_ex2(context, cipher, Bytes(key), Bytes(iv), encrypt ? 1 : 0, nullptr) == 1 &&
                    EVP_CIPHER_CTX_set_padding(context, padding ? 1 : 0) == 1 && RunCipher(context, data, output);
  EVP_CIPHER_CTX_free(context);
  return done;
}

bool CCiphers::Random(size_t count, std::string& bytes) const {
  bytes.resize(count);
  return RAND_bytes_ex(m_library->context, reinterpret_cast<unsigned char*>(bytes.data()), count, 0) == 1;
}

CCipherRun::~CCipherRun() { Stop(); }

void CCipherRun::Stop() {
  EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(m_context));
  m_context = nullptr;
  m_library.reset();
}

bool CCipherRun::Start(const CCiphers& ciphers, bool encrypt, std::string_view key, std::string_view iv) {
  // A context made in another library goes before that library can.
  if (m_library != ciphers.m_library) Stop();
  m_library = ciphers.m_library;
  const CCiphers::Library& library = *m_library;
  const EVP_CIPHER* cipher = iv.empty()           ? library.rc4
                             : key.size() == 16   ? library.aes128
                             : key.size() == 32   ? library.aes256
                                                  : nullptr;
  if (cipher == nullptr || (!iv.empty() && iv.size() != 16) || key.empty() || key.size() > 32) return false;
  if (m_context == nullptr) m_context = EVP_CIPHER_CTX_new();
  auto* context = static_cast<EVP_CIPHER_CTX*>(m_context);
  if (context == nullptr || EVP_CIPHER_CTX_reset(context) != 1) return false;
  const int direction = encrypt ? 1 : 0;
  if (iv.empty()) {
    // The key length must be set before the key: RC4's default is 16 bytes.
    return EVP_CipherInit_ex2(context, cipher, nullptr, nullptr, direction, nullptr) == 1 &&
           EVP_CIPHER_CTX_set_key_length(context, static_cast<int>(key.size())) == 1 &&
           EVP_CipherInit_ex2(context, nullptr, Bytes(key), nullptr, direction, nullptr) == 1;
  }
  return EVP_CipherInit_ex2(context, cipher, Bytes(key), Bytes(iv), direction, nullptr) == 1 &&
         EVP_CIPHER_CTX_set_padding(context, 0) == 1;
}

bool CCipherRun::Update(std::string_view data, std::string& output) {
  auto* context = static_cast<EVP_CIPHER_CTX*>(m_context);
  if (context == nullptr || data.size() > INT32_MAX) return false;
  if (data.empty()) return true;
  const size_t at = output.size();
  output.resize(at + data.size() + EVP_MAX_BLOCK_LENGTH);
  int got = 0;
  if (EVP_CipherUpdate(context, reinterpret_cast<unsigned char*>(output.data() + at), &got, Bytes(data),
                       static_cast<int>(data.size())) != 1) {
    output.resize(at);
    return false;
  }
  output.resize(at + static_cast<size_t>(got));
  return true;
}
