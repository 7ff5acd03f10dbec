// The entry point and the repair run as the caller sees them: the message
// sequence, open failures, and the destination that is the source itself.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <thread>

#include "EngineTestSupport.h"
#include "core/RepairEngine.h"
#include "tesscore/tesscore.h"

namespace {

const char* kMinimalPdf =
    "%PDF-1.3\r\n1 0 obj\r\n<< /Type /Catalog >>\r\nendobj\r\ntrailer\r\n<< /Root 1 0 R >>\r\n%%EOF";

TEST(RepairEntry, MissingSourceSendsTheDocumentedSequence) {
  ScratchDir dir;
  MessageLog log;
  const std::string source = dir.Path("missing.pdf");
  const std::string destination = dir.Path("out.pdf");
  EngineCallRecord record = log.Record(source, destination);

  EXPECT_EQ(RepairPdfFile(&record), 0);

  ASSERT_EQ(log.messages.size(), 4u);
  EXPECT_EQ(log.messages[0].code, msgProgress);
  EXPECT_EQ(log.messages[0].text, "0");
  EXPECT_EQ(log.messages[1].code, msgSourcePath);
  EXPECT_EQ(log.messages[1].text, source);
  EXPECT_EQ(log.messages[2].code, msgError);
  EXPECT_EQ(log.messages[2].text, "错误 1: 不能打开文件进行修复。" + source + " 未找到。");
  EXPECT_EQ(log.messages[3].code, msgProgress);
  EXPECT_EQ(log.messages[3].text, "100");
  EXPECT_FALSE(FileExists(destination));
}

TEST(RepairEntry, PercentInAPathReachesTheReceiverUnchanged) {
  ScratchDir dir;
  MessageLog log;
  const std::string source = dir.Path("100%1 %s %d.pdf");
  EngineCallRecord record = log.Record(source, dir.Path("out.pdf"));
  RepairPdfFile(&record);
  const auto errors = log.TextsOf(msgError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "错误 1: 不能打开文件进行修复。" + source + " 未找到。");
}

TEST(RepairEntry, NullCallbackRunsSilently) {
  ScratchDir dir;
  EngineCallRecord record{"/nonexistent/x.pdf", 0, 0, "/nonexistent/y.pdf", nullptr, nullptr};
  EXPECT_EQ(RepairPdfFile(&record), 0);
  EXPECT_EQ(RepairPdfFile(nullptr), 0);
}

// Every way of naming the source as the destination fails on the sharing
// lock before anything is truncated.
TEST(RepairEntry, DestinationThatIsTheSourceIsRefusedAndTheSourceKept) {
  ScratchDir dir;
  const std::string source = dir.Path("a.pdf");
  WriteWholeFile(source, kMinimalPdf);
  ASSERT_EQ(::symlink(source.c_str(), dir.Path("link.pdf").c_str()), 0);
  ASSERT_EQ(::link(source.c_str(), dir.Path("hard.pdf").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.Path("sub").c_str(), 0755), 0);

  for (const std::string& destination :
       {source, dir.Path("sub/../a.pdf"), dir.Path("link.pdf"), dir.Path("hard.pdf")}) {
    SCOPED_TRACE(destination);
    MessageLog log;
    EngineCallRecord record = log.Record(source, destination);
    EXPECT_EQ(RepairPdfFile(&record), 0);
    const auto errors = log.TextsOf(msgError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "错误 4: 不能创建文件。在访问 " + destination + " 时发生分配妨碍。");
    EXPECT_EQ(log.messages.back().text, "100");
    EXPECT_EQ(ReadWholeFile(source), kMinimalPdf);
  }
}

TEST(RepairEntry, StopFromTheFirstQuestionCollectsNothing) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("a.pdf"), kMinimalPdf);
  MessageLog log;
  log.stopAnswer = 1;
  EngineCallRecord record = log.Record(dir.Path("a.pdf"), dir.Path("out.pdf"));
  EXPECT_EQ(RepairPdfFile(&record), 0);
  EXPECT_EQ(log.TextsOf(msgQueryStop).size(), 1u);
  EXPECT_TRUE(log.TextsOf(msgError).empty());
  EXPECT_EQ(log.messages.back().code, msgProgress);
  EXPECT_EQ(log.messages.back().text, "100");
  EXPECT_EQ(ReadWholeFile(dir.Path("out.pdf")), "");
}

TEST(RepairEntry, HeaderVersionWinsOverTheOptionAndTheOptionFillsIn) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("a.pdf"), kMinimalPdf);
  WriteWholeFile(dir.Path("b.pdf"), std::string(kMinimalPdf).substr(10));
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("a.pdf"), dir.Path("a_out.pdf"), 6u << 16);
  EXPECT_EQ(RepairPdfFile(&record), 1);
  EXPECT_EQ(ReadWholeFile(dir.Path("a_out.pdf")).substr(0, 10), "%PDF-1.3\r\n");
  record = log.Record(dir.Path("b.pdf"), dir.Path("b_out.pdf"), 6u << 16);
  EXPECT_EQ(RepairPdfFile(&record), 1);
  EXPECT_EQ(ReadWholeFile(dir.Path("b_out.pdf")).substr(0, 10), "%PDF-1.6\r\n");
}

TEST(RepairEntry, ExistingDestinationIsTruncatedBeforeParsing) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("empty.pdf"), "");
  WriteWholeFile(dir.Path("out.pdf"), "old contents");
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("empty.pdf"), dir.Path("out.pdf"));
  EXPECT_EQ(RepairPdfFile(&record), 0);
  EXPECT_EQ(ReadWholeFile(dir.Path("out.pdf")), "");
  EXPECT_TRUE(log.TextsOf(msgError).empty());
}

TEST(RepairEntry, DestinationInAMissingFolderIsReported) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("a.pdf"), kMinimalPdf);
  MessageLog log;
  const std::string destination = dir.Path("no/such/out.pdf");
  EngineCallRecord record = log.Record(dir.Path("a.pdf"), destination);
  EXPECT_EQ(RepairPdfFile(&record), 0);
  const auto errors = log.TextsOf(msgError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "错误 4: 不能创建文件。" + destination + " 未找到。");
}

TEST(RepairEntry, VersionOptionChoosesTheVersionText) {
  CRepairEngine::CPdfVersion version;
  EXPECT_EQ(version.Text(), "1.4");
  version.SetFromOption(6u << 16);
  EXPECT_EQ(version.Text(), "1.6");
  version.SetFromOption(0);
  EXPECT_EQ(version.Text(), "1.0");
  version.SetFromOption((7u << 16) | 0xFFFF);
  EXPECT_EQ(version.Text(), "1.4");
  version.SetFromOption(0xFFFFFFFFu);
  EXPECT_EQ(version.Text(), "1.4");
}

// A call from inside the running call's callback must not disturb it.
struct Reentrant {
  MessageLog inner;
  int innerResult = -1;
  bool tried = false;
  static int32_t Callback(int32_t code, void*, void* userData) {
    auto& self = *static_cast<Reentrant*>(userData);
    if (code == msgSourcePath && !self.tried) {
      self.tried = true;
      EngineCallRecord record = self.inner.Record("/nonexistent/a.pdf", "/nonexistent/b.pdf");
      self.innerResult = RepairPdfFile(&record);
    }
    return 0;
  }
};

TEST(RepairEntry, CallFromInsideTheCallbackIsRefused) {
  Reentrant state;
  EngineCallRecord record{"/nonexistent/x.pdf", 0, 0, "/nonexistent/y.pdf", &Reentrant::Callback,
                          &state};
  EXPECT_EQ(RepairPdfFile(&record), 0);
  EXPECT_TRUE(state.tried);
  EXPECT_EQ(state.innerResult, 0);
  ASSERT_EQ(state.inner.messages.size(), 1u);
  EXPECT_EQ(state.inner.messages[0].code, msgError);
  EXPECT_EQ(state.inner.messages[0].text, "错误 3: 未知错误。");
}

// The second thread is let go while the first call is inside its callback,
// and the first goes on only once the second sleeps on a lock (or, were the
// calls not kept apart, has started its own run): the calls overlap.
struct OverlappingCalls {
  std::mutex mutex;
  std::string order;  // "a" or "b" per message
  std::atomic<bool> firstInside{false};
  std::atomic<bool> secondCalling{false};
  std::atomic<int> secondMessages{0};
  std::atomic<pid_t> secondThread{0};
  bool waited = false;

  static bool SleepsInFutex(pid_t thread) {
    std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    return (in >> number) && number == SYS_futex;
  }
  static int32_t First(int32_t code, void*, void* userData) {
    auto& self = *static_cast<OverlappingCalls*>(userData);
    self.Note('a');
    if (code == msgSourcePath && !self.waited) {
      self.waited = true;
      self.firstInside = true;
      while (!self.secondCalling || (!SleepsInFutex(self.secondThread) && self.secondMessages == 0)) {
        std::this_thread::yield();
      }
    }
    return 0;
  }
  static int32_t Second(int32_t, void*, void* userData) {
    auto& self = *static_cast<OverlappingCalls*>(userData);
    ++self.secondMessages;
    self.Note('b');
    return 0;
  }
  void Note(char who) {
    std::lock_guard<std::mutex> lock(mutex);
    order += who;
  }
};

TEST(RepairEntry, OverlappingCallsFromTwoThreadsRunOneAfterTheOther) {
  OverlappingCalls calls;
  EngineCallRecord a{"/nonexistent/a.pdf", 0, 0, "/nonexistent/b.pdf", &OverlappingCalls::First, &calls};
  EngineCallRecord b{"/nonexistent/c.pdf", 0, 0, "/nonexistent/d.pdf", &OverlappingCalls::Second, &calls};
  std::thread other([&] {
    while (!calls.firstInside) std::this_thread::yield();
    calls.secondThread = static_cast<pid_t>(::syscall(SYS_gettid));
    calls.secondCalling = true;
    EXPECT_EQ(RepairPdfFile(&b), 0);
  });
  EXPECT_EQ(RepairPdfFile(&a), 0);
  other.join();
  EXPECT_EQ(calls.order, "aaaabbbb");
}

}  // namespace
