#pragma once

#include <memory>
#include <string>
#include <string_view>

// The hashes and ciphers of the PDF security handler, from the system's
// libcrypto. RC4 lives in its legacy provider: this library context loads
// it for the engine alone, so the process's own default context is never
// touched. Each operation answers false when the library could not do it.
class CCiphers {
 public:
  CCiphers();
  ~CCiphers();
  CCiphers(const CCiphers&) = delete;
  CCiphers& operator=(const CCiphers&) = delete;

  // Answers false when the context or an algorithm other than RC4 could not
  // be had.
  bool Available() const;

  bool Md5(std::string_view data, std::string& digest) const;
  // SHA-256, SHA-384 or SHA-512 by bits.
  bool Sha2(int bits, std::string_view data, std::string& digest) const;
  // RC4 with a key of 1 to 32 bytes; encrypting and decrypting are one.
  bool Rc4(std::string_view key, std::string_view data, std::string& output) const;
  // AES-CBC with a 16- or 32-byte key and a 16-byte IV. Without padding the
  // data must be whole blocks.
  bool Aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view data, bool padding,
           std::string& output) const;
  bool Random(size_t count, std::string& bytes) const;

 private:
  friend class CCipherRun;
  struct Library;
  std::shared_ptr<Library> m_library;
};

// RC4, or AES-CBC without padding, over data that comes in pieces. Keeps
// the ciphers' library alive for as long as it lives.
class CCipherRun {
 public:
  CCipherRun() = default;
  ~CCipherRun();
  CCipherRun(const CCipherRun&) = delete;
  CCipherRun& operator=(const CCipherRun&) = delete;

  // An empty iv means RC4 (a key of 1 to 32 bytes); else AES with a 16- or
  // 32-byte key and a 16-byte iv. A run started again begins anew.
  bool Start(const CCiphers& ciphers, bool encrypt, std::string_view key, std::string_view iv);
  // Appends what the next bytes give; AES takes whole blocks only.
  bool Update(std::string_view data, std::string& output);
  // Gives the context and the library back; Start makes them anew.
  void Stop();

 private:
  std::shared_ptr<CCiphers::Library> m_library;
  void* m_context = nullptr;  // the library's cipher context
};
