// A source written to between the parse and the write fails the repair: the
// write reads the source again and would mix old bytes with new.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EngineTestSupport.h"
#include "base/EngineStrings.h"
#include "tesscore/tesscore.h"

namespace {

const char* kSmallPdf =
    "%PDF-1.4\r\n1 0 obj\r\n<< /Type /Catalog /Pages 2 0 R >>\r\nendobj\r\n"
    "2 0 obj\r\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\r\nendobj\r\n"
    "3 0 obj\r\n<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>\r\nendobj\r\n"
    "4 0 obj\r\n<< /Length 8 >>\r\nstream\r\n0 0 m S\n\r\nendstream\r\nendobj\r\n";

// Changes the source the moment the rebuild begins: after the parse, before
// the write.
struct ChangingRun {
  MessageLog log;
  std::string source;
  bool appendBytes = true;  // else only the modification time moves

  static int32_t Callback(int32_t code, void* data, void* userData) {
    auto& run = *static_cast<ChangingRun*>(userData);
    if (code == msgLogLine && static_cast<const char*>(data) == LoadEngineString(idsRepairingSource)) run.Change();
    return MessageLog::Callback(code, data, &run.log);
  }
  void Change() const {
    if (appendBytes) {
      const int fd = ::open(source.c_str(), O_WRONLY | O_APPEND);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::write(fd, "%\r\n", 3), 3);
      ::close(fd);
    } else {
      const timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    }
  }
  int Repair(const std::string& destination, uint32_t options) {
    EngineCallRecord record = log.Record(source, destination, (4u << 16) | options);
    record.callback = &Callback;
    record.userData = this;
    return RepairPdfFile(&record);
  }
};

std::string ChangedError(const std::string& path) {
  return ReplacePercentOne(LoadEngineString(idsSourceChanged),
                           ReplacePercentOne(LoadEngineString(idsChangedFile), path));
}

TEST(SourceChange, SourceGrownAfterTheParseFailsTheRepairInBothModes) {
  for (const uint32_t options : {0u, static_cast<uint32_t>(TESSCORE_OPTION_THOROUGH)}) {
    SCOPED_TRACE(options);
    ScratchDir dir;
    ChangingRun run;
    run.source = dir.Path("in.pdf");
    WriteWholeFile(run.source, kSmallPdf);
    EXPECT_EQ(run.Repair(dir.Path("out.pdf"), options), 0);
    EXPECT_EQ(run.log.TextsOf(msgError), std::vector<std::string>{ChangedError(run.source)});
    EXPECT_EQ(run.log.TextsOf(msgLogLine).back(), LoadEngineString(idsRepairingSource));
    EXPECT_EQ(ReadWholeFile(dir.Path("out.pdf")), "");  // nothing written
    EXPECT_EQ(ReadWholeFile(run.source), std::string(kSmallPdf) + "%\r\n");
  }
}

TEST(SourceChange, ModificationTimeAloneCountsAsAChange) {
  ScratchDir dir;
  ChangingRun run;
  run.source = dir.Path("in.pdf");
  run.appendBytes = false;
  WriteWholeFile(run.source, kSmallPdf);
  EXPECT_EQ(run.Repair(dir.Path("out.pdf"), 0), 0);
  EXPECT_EQ(run.log.TextsOf(msgError), std::vector<std::string>{ChangedError(run.source)});
  EXPECT_EQ(ReadWholeFile(run.source), kSmallPdf);
}

// The stream's data is copied while the file is written: a writer that
// changes the source then is found once the copy is done.
struct ChangedDuringCopy : FakeSystemFiles {
  std::string source;
  ssize_t CopyRange(int from, uint64_t& position, int to, size_t count) override {
    const timespec times[2] = {{0, UTIME_OMIT}, {2, 0}};
    ::utimensat(AT_FDCWD, source.c_str(), times, 0);
    return FakeSystemFiles::CopyRange(from, position, to, count);
  }
};

TEST(SourceChange, SourceChangedWhileItsStreamsAreCopiedFailsTheRepair) {
  ScratchDir dir;
  MessageLog log;
  ChangedDuringCopy fake;
  fake.source = dir.Path("in.pdf");
  // Data large enough for the kernel to copy it.
  const std::string data(256 << 10, '%');
  WriteWholeFile(fake.source, "%PDF-1.4\r\n1 0 obj\r\n<< /Type /Catalog /Pages 2 0 R >>\r\nendobj\r\n"
                              "2 0 obj\r\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\r\nendobj\r\n"
                              "3 0 obj\r\n<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>\r\nendobj\r\n"
                              "4 0 obj\r\n<< /Length " + std::to_string(data.size()) + " >>\r\nstream\r\n" + data +
                              "\r\nendstream\r\nendobj\r\n");
  EngineCallRecord record = log.Record(fake.source, dir.Path("out.pdf"));
  EXPECT_EQ(RepairPdfFile(&record), 0);
  EXPECT_EQ(log.TextsOf(msgError), std::vector<std::string>{ChangedError(fake.source)});
}

TEST(SourceChange, UnchangedSourceIsRepaired) {
  ScratchDir dir;
  MessageLog log;
  WriteWholeFile(dir.Path("in.pdf"), kSmallPdf);
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"));
  EXPECT_EQ(RepairPdfFile(&record), 1);
  EXPECT_TRUE(log.TextsOf(msgError).empty());
}

}  // namespace
