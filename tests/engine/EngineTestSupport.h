#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "io/SystemFileApi.h"
#include "tesscore/tesscore.h"

// A scratch folder removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Path(const std::string& name) const { return m_path + "/" + name; }
  const std::string& Root() const { return m_path; }

 private:
  std::string m_path;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Records every engine message; answers the stop question as told.
struct MessageLog {
  struct Message {
    int code;
    std::string text;  // the text, or the percentage in decimal
  };
  std::vector<Message> messages;
  int stopAnswer = 0;
  // The answers to msgQueryPassword in turn (its text is the attempt); past
  // them, no password. With nullPassword, nonzero with a null password.
  std::vector<std::string> passwords;
  bool nullPassword = false;
  // Large inputs send millions of token messages: count those instead.
  bool keepTokenMessages = true;
  size_t tokenMessages = 0;

  static int32_t Callback(int32_t code, void* data, void* userData);
  EngineCallRecord Record(const std::string& source, const std::string& destination,
                          uint32_t versionOption = 4u << 16);
  std::vector<std::string> TextsOf(int code) const;

 private:
  std::string m_source;
  std::string m_destination;
};

// Fault injection behind the file classes: unreadable byte ranges, short or
// failing writes, failing opens, and a count of the system reads.
class FakeSystemFiles : public CSystemFileApi {
 public:
  FakeSystemFiles();
  ~FakeSystemFiles() override;

  ssize_t Read(int fd, void* buffer, size_t count) override;
  ssize_t ReadAt(int fd, void* buffer, size_t count, uint64_t position) override;
  ssize_t Write(int fd, const void* buffer, size_t count) override;
  // The kernel's copy fails as a disk would: at an unreadable byte. Failing
  // or short writes are left to Write, which the writer falls back to.
  ssize_t CopyRange(int from, uint64_t& position, int to, size_t count) override;
  int Open(const char* path, int flags, mode_t mode) override;
  int Flock(int fd, int operation) override;
  int Close(int fd) override;
  uint32_t SectorSize(int fd) override;

  std::vector<std::pair<uint64_t, uint64_t>> unreadable;  // [begin, end)
  int64_t writeLimit = -1;     // bytes a write may store before it comes up short
  int failWritesWith = 0;      // errno for every write, 0 for none
  int failOpensWith = 0;       // errno for every open, 0 for none
  bool locksNeverConflict = false;  // as where flock is emulated per process (NFS)
  std::string failCloseOf;     // this file's close fails with failCloseWith
  int failCloseWith = 0;
  uint32_t sectorSize = 512;
  std::vector<std::pair<uint64_t, size_t>> reads;  // (position, count) asked
  uint64_t copiedInKernel = 0;                     // bytes CopyRange moved
};

class CRepairEngine;
class CPdfDocument;
class CFile64Ex;
class CPdfObject;

// A document parsed from bytes through the real file, tokenizer and grammar.
class ParsedBytes {
 public:
  explicit ParsedBytes(const std::string& bytes, int stopAfterQuestions = -1, bool keepTokenMessages = true);
  ~ParsedBytes();

  CPdfDocument& Document() { return *m_document; }
  CFile64Ex& File() { return *m_file; }
  uint32_t count = 0;
  MessageLog log;

 private:
  static int32_t Callback(int32_t code, void* data, void* userData);
  ScratchDir m_dir;
  int m_questionsLeft;
  CRepairEngine* m_engine;
  CFile64Ex* m_file;
  CPdfDocument* m_document;
};

// The bytes an object's Write produces.
std::string Written(const CPdfObject& object);
