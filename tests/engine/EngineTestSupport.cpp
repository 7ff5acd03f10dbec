#include "EngineTestSupport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  m_path = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

int32_t MessageLog::Callback(int32_t code, void* data, void* userData) {
  auto& log = *static_cast<MessageLog*>(userData);
  if (!log.keepTokenMessages && (code == msgProgress || code == msgQueryStop)) {
    ++log.tokenMessages;
    return code == msgQueryStop ? log.stopAnswer : 0;
  }
  std::string text;
  if (code == msgQueryPassword) {
    auto& query = *static_cast<PasswordQuery*>(data);
    const size_t asked = log.TextsOf(msgQueryPassword).size();
    log.messages.push_back({code, std::to_string(query.attempt)});
    if (log.nullPassword) return 1;
    if (asked >= log.passwords.size()) return 0;
    query.password = log.passwords[asked].data();
    query.length = static_cast<uint32_t>(log.passwords[asked].size());
    return 1;
  }
  if (code == msgProgress) {
    text = std::to_string(*static_cast<const uint8_t*>(data));
  } else if (data != nullptr) {
    text = static_cast<const char*>(data);
  }
  log.messages.push_back({code, text});
  return code == msgQueryStop ? log.stopAnswer : 0;
}

EngineCallRecord MessageLog::Record(const std::string& source, const std::string& destination,
                                    uint32_t versionOption) {
  m_source = source;
  m_destination = destination;
  return {m_source.c_str(), 0, versionOption, m_destination.c_str(), &Callback, this};
}

std::vector<std::string> MessageLog::TextsOf(int code) const {
  std::vector<std::string> texts;
  for (const Message& message : messages) {
    if (message.code == code) texts.push_back(message.text);
  }
  return texts;
}

FakeSystemFiles::FakeSystemFiles() { SetSystemFiles(this); }
FakeSystemFiles::~FakeSystemFiles() { SetSystemFiles(nullptr); }

// A read that starts inside an unreadable range fails; one that reaches into
// it stops short at its start, as a disk does.
ssize_t FakeSystemFiles::Read(int fd, void* buffer, size_t count) {
  const int64_t position = Seek(fd, 0, SEEK_CUR);
  const ssize_t got = ReadAt(fd, buffer, count, static_cast<uint64_t>(position));
  if (got > 0) Seek(fd, got, SEEK_CUR);
  return got;
}

ssize_t FakeSystemFiles::ReadAt(int fd, void* buffer, size_t count, uint64_t position) {
  reads.emplace_back(position, count);
  for (const auto& [badBegin, badEnd] : unreadable) {
    if (position >= badBegin && position < badEnd) {
      errno = EIO;
      return -1;
    }
    if (position < badBegin && position + count > badBegin) count = badBegin - position;
  }
  return CSystemFileApi::ReadAt(fd, buffer, count, position);
}

ssize_t FakeSystemFiles::Write(int fd, const void* buffer, size_t count) {
  if (failWritesWith != 0) {
    errno = failWritesWith;
    return -1;
  }
  if (writeLimit >= 0) {
    const size_t allowed = count < static_cast<size_t>(writeLimit) ? count : writeLimit;
    writeLimit -= static_cast<int64_t>(allowed);
    if (allowed == 0) return 0;
    return CSystemFileApi::Write(fd, buffer, allowed);
  }
  return CSystemFileApi::Write(fd, buffer, count);
}

ssize_t FakeSystemFiles::CopyRange(int from, uint64_t& position, int to, size_t count) {
  if (failWritesWith != 0 || writeLimit >= 0) {
    errno = EXDEV;
    return -1;
  }
  for (const auto& [badBegin, badEnd] : unreadable) {
    if (position >= badBegin && position < badEnd) {
      errno = EIO;
      return -1;
    }
    if (position < badBegin && position + count > badBegin) count = badBegin - position;
  }
  const ssize_t copied = CSystemFileApi::CopyRange(from, position, to, count);
  if (copied > 0) copiedInKernel += static_cast<uint64_t>(copied);
  return copied;
}

int FakeSystemFiles::Open(const char* path, int flags, mode_t mode) {
  if (failOpensWith != 0) {
    errno = failOpensWith;
    return -1;
  }
  return CSystemFileApi::Open(path, flags, mode);
}

int FakeSystemFiles::Flock(int fd, int operation) {
  return locksNeverConflict ? 0 : CSystemFileApi::Flock(fd, operation);
}

// The descriptor is closed all the same, as close(2) does when it reports
// a deferred write error.
int FakeSystemFiles::Close(int fd) {
  std::error_code ignored;
  const auto path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ignored);
  const int result = CSystemFileApi::Close(fd);
  if (failCloseWith != 0 && path == failCloseOf) {
    errno = failCloseWith;
    return -1;
  }
  return result;
}

uint32_t FakeSystemFiles::SectorSize(int) { return sectorSize; }

#include "core/RepairEngine.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "model/PdfObject.h"
#include "parser/ParseRun.h"

int32_t ParsedBytes::Callback(int32_t code, void* data, void* userData) {
  auto& self = *static_cast<ParsedBytes*>(userData);
  MessageLog::Callback(code, data, &self.log);
  if (code != msgQueryStop || self.m_questionsLeft < 0) return 0;
  if (self.m_questionsLeft == 0) return 1;
  --self.m_questionsLeft;
  return 0;
}

ParsedBytes::ParsedBytes(const std::string& bytes, int stopAfterQuestions, bool keepTokenMessages)
    : m_questionsLeft(stopAfterQuestions) {
  log.keepTokenMessages = keepTokenMessages;
  WriteWholeFile(m_dir.Path("in.pdf"), bytes);
  ResetSerialNumbers();
  m_engine = new CRepairEngine(&Callback, this);
  m_file = new CFile64Ex(4096);
  m_document = new CPdfDocument(m_engine);
  if (!m_file->Open(m_dir.Path("in.pdf").c_str(), 0x8020)) std::abort();
  count = ParseObjects(*m_document, *m_file);
}

ParsedBytes::~ParsedBytes() {
  delete m_document;
  delete m_file;
  delete m_engine;
}

// Writes into a scratch file and reads the bytes back.
std::string Written(const CPdfObject& object) {
  ScratchDir dir;
  {
    CFile64 file;
    if (!file.Open(dir.Path("w").c_str(), 0x9011)) std::abort();
    object.Write(file);
  }
  return ReadWholeFile(dir.Path("w"));
}
