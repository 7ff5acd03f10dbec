// The Standard handler's passwords: the user password checked against /U,
// the owner password through /O (revisions 2 to 4) or /OE (5 and 6).
#include <stringprep.h>

#include <cstdlib>

#include "parser/StandardSecurity.h"
#include "tesscore/tesscore.h"

namespace {

// The 32 bytes that pad a password, and stand for the empty one.
constexpr std::string_view kPadding(
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A",
    32);

std::string Padded(std::string_view password) {
  std::string padded(password.substr(0, 32));
  padded.append(kPadding.substr(0, 32 - padded.size()));
  return padded;
}

std::string LittleEndian(uint32_t value) {
  std::string text;
  for (size_t i = 0; i < 4; ++i) text.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return text;
}

}  // namespace

std::string SaslPrepared(std::string_view password) {
  std::string prepared(password);
  // The library reads up to a NUL; SASLprep prohibits U+0000 anyway.
  if (prepared.find('\0') == std::string::npos) {
    char* output = nullptr;
    if (stringprep_profile(prepared.c_str(), &output, "SASLprep", static_cast<Stringprep_profile_flags>(0)) ==
            STRINGPREP_OK &&
        output != nullptr) {
      prepared = output;
    }
    std::free(output);
  }
  if (prepared.size() > TESSCORE_PASSWORD_MAX) prepared.resize(TESSCORE_PASSWORD_MAX);
  return prepared;
}

bool CStandardSecurity::Authenticate(std::string_view password) {
  bool opened = false;
  if (m_revision >= 5) {
    const std::string prepared = SaslPrepared(password);
    opened = AuthenticateRevision6(prepared);
    // Some writers key the file with the bytes as typed, without SASLprep.
    const std::string raw(password.substr(0, TESSCORE_PASSWORD_MAX));
    if (!opened && raw != prepared) opened = AuthenticateRevision6(raw);
  } else {
    const std::string padded = Padded(password);
    opened = UserRevision4(padded) || OwnerRevision4(padded);
  }
  if (!opened) m_fileKey.clear();
  return opened;
}

// The file key from the padded user password, checked against /U.
bool CStandardSecurity::UserRevision4(const std::string& padded) {
  std::string input = padded + m_owner + LittleEndian(m_permissions) + m_firstId;
  if (m_revision >= 4 && !m_encryptMetadata) input += "\xFF\xFF\xFF\xFF";
  std::string hash;
  if (!m_ciphers.Md5(input, hash)) return false;
  for (int i = 0; m_revision >= 3 && i < 50; ++i) {
    if (!m_ciphers.Md5(hash.substr(0, m_keyLength), hash)) return false;
  }
  m_fileKey = hash.substr(0, m_keyLength);
  std::string check;
  if (m_revision == 2) return m_ciphers.Rc4(m_fileKey, kPadding, check) && check == m_user;
  if (!m_ciphers.Md5(std::string(kPadding) + m_firstId, check)) return false;
  for (int i = 0; i < 20; ++i) {
    std::string key = m_fileKey;
    for (char& byte : key) byte = static_cast<char>(byte ^ i);
    if (!m_ciphers.Rc4(key, std::string(check), check)) return false;
  }
  // Only the first 16 bytes of /U are defined; the rest is arbitrary.
  return check == m_user.substr(0, 16);
}

// /O holds the padded user password, encrypted with a key made from the
// owner password: once with it in revision 2, twenty times with the key's
// bytes XOR the round, last round first, from revision 3.
bool CStandardSecurity::OwnerRevision4(const std::string& padded) {
  std::string hash;
  if (!m_ciphers.Md5(padded, hash)) return false;
  for (int i = 0; m_revision >= 3 && i < 50; ++i) {
    if (!m_ciphers.Md5(std::string(hash), hash)) return false;
  }
  const std::string ownerKey = hash.substr(0, m_keyLength);
  std::string user = m_owner;
  for (int round = m_revision == 2 ? 0 : 19; round >= 0; --round) {
    std::string key = ownerKey;
    for (char& byte : key) byte = static_cast<char>(byte ^ round);
    if (!m_ciphers.Rc4(key, std::string(user), user)) return false;
  }
  return UserRevision4(user);
}

// Revisions 5 and 6: the password's hash with the validation salt must be
// the first 32 bytes of /U (or of /O, with /U as user data); with the key
// salt it unlocks /UE (or /OE).
bool CStandardSecurity::AuthenticateRevision6(const std::string& password) {
  const std::string_view user(m_user);
  const std::string_view owner(m_owner);
  std::string hash;
  bool asOwner = false;
  if (!HashRevision6(password, user.substr(32, 8), {}, hash) || hash != user.substr(0, 32)) {
    asOwner = m_ownerKey.size() == 32 && HashRevision6(password, owner.substr(32, 8), user, hash) &&
              hash == owner.substr(0, 32);
    if (!asOwner) return false;
  }
  const std::string_view keySalt = (asOwner ? owner : user).substr(40, 8);
  if (!HashRevision6(password, keySalt, asOwner ? user : std::string_view(), hash)) return false;
  return m_ciphers.Aes(false, hash, std::string(16, '\0'), asOwner ? m_ownerKey : m_userKey, false, m_fileKey) &&
         m_fileKey.size() == 32;
}

bool CStandardSecurity::HashRevision6(std::string_view password, std::string_view salt, std::string_view userData,
                                      std::string& hash) const {
  std::string input(password);
  input.append(salt);
  input.append(userData);
  if (!m_ciphers.Sha2(256, input, hash)) return false;
  if (m_revision == 5) return true;
  std::string encrypted;
  // At least 64 rounds; then on while the last byte says so. That byte is
  // at most 255, so the loop ends by round 288.
  for (int round = 0; round < 64 || static_cast<uint8_t>(encrypted.back()) > round - 32; ++round) {
    std::string block(password);
    block.append(hash);
    block.append(userData);
    std::string repeated;
    repeated.reserve(64 * block.size());
    for (int i = 0; i < 64; ++i) repeated += block;
    if (!m_ciphers.Aes(true, std::string_view(hash).substr(0, 16), std::string_view(hash).substr(16, 16), repeated,
                       false, encrypted) ||
        encrypted.size() < 16) {
      return false;
    }
    int sum = 0;
    for (size_t i = 0; i < 16; ++i) sum += static_cast<uint8_t>(encrypted[i]);
    if (!m_ciphers.Sha2(256 + 128 * (sum % 3), encrypted, hash)) return false;
  }
  hash.resize(32);
  return true;
}
