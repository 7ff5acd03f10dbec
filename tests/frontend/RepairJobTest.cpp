// The repair job both front ends run: the engine's messages as events, its
// texts naming the destination, the password answer's lifetime, and the
// output that only a complete repair turns into the destination. The
// batch rule both share is here too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BatchPlan.h"
#include "RepairJob.h"

namespace {

namespace fs = std::filesystem;

struct RecordedEvents : frontend::RepairEvents {
  void Progress(int percent) override { seen.push_back("progress " + std::to_string(percent)); }
  void LogLine(const std::string& text) override { seen.push_back("log " + text); }
  void Error(const std::string& text) override { seen.push_back("error " + text); }
  bool StopWanted() override { return stop; }
  bool PasswordWanted(int attempt, frontend::PasswordAnswer& answer) override {
    seen.push_back("password " + std::to_string(attempt));
    return answer.Assign(password.data(), password.size());
  }
  std::vector<std::string> seen;
  bool stop = false;
  std::string password = "sesame";
};

// The engine's stand-in: writes, says what it writes through, asks for a
// password and a stop, and looks at the answer's bytes after its next message.
struct FakeRun {
  static inline std::string answerSeen;
  static inline std::string answerAfterNextMessage;
  static inline int32_t stopAnswer = 0;
  static inline int result = 1;

  static int Repair(const EngineCallRecord* record) {
    std::ofstream(record->destinationPath, std::ios::binary) << "repaired";
    const auto send = [record](int32_t code, void* data) { return record->callback(code, data, record->userData); };
    uint8_t percent = 40;
    send(msgProgress, &percent);
    std::string line = std::string("writing ") + record->destinationPath;
    send(msgLogLine, line.data());
    PasswordQuery query{1, nullptr, 0};
    if (send(msgQueryPassword, &query) != 0) {
      answerSeen.assign(query.password, query.length);
      send(4711, nullptr);  // a code nobody knows
      answerAfterNextMessage.assign(query.password, query.length);
    }
    stopAnswer = send(msgQueryStop, nullptr);
    std::string error = std::string("cannot finish ") + record->destinationPath;
    if (result == 0) send(msgError, error.data());
    return result;
  }
};

class RepairJobTest : public ::testing::Test {
 protected:
  RepairJobTest() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-job-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    m_folder = pattern;
    std::ofstream(Path("in.pdf")) << "%PDF-1.4\n";
    FakeRun::result = 1;
  }
  ~RepairJobTest() override { fs::remove_all(m_folder); }

  std::string Path(const std::string& name) const { return m_folder + "/" + name; }
  size_t FilesInFolder() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
  }

  std::string m_folder;
};

TEST_F(RepairJobTest, EventsNameTheDestinationAndACompleteRepairIsCommitted) {
  frontend::RepairJob job(Path("in.pdf"), Path("out.pdf"));
  ASSERT_TRUE(job.Prepare(false));
  RecordedEvents events;
  ASSERT_EQ(job.Run(0, events, &FakeRun::Repair), 1);
  EXPECT_EQ(events.seen, (std::vector<std::string>{"progress 40", "log writing " + Path("out.pdf"), "password 1"}));
  EXPECT_EQ(FakeRun::answerSeen, "sesame");
  // The engine copies the answer at once: by its next message the bytes are gone.
  EXPECT_EQ(FakeRun::answerAfterNextMessage, std::string(6, '\0'));
  EXPECT_EQ(FakeRun::stopAnswer, 0);
  EXPECT_FALSE(fs::exists(Path("out.pdf")));
  ASSERT_TRUE(job.Finish(true));
  std::ostringstream written;
  written << std::ifstream(Path("out.pdf")).rdbuf();
  EXPECT_EQ(written.str(), "repaired");
  EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(RepairJobTest, AStoppedOrFailedRepairLeavesNothingAndTheDestinationAsItWas) {
  std::ofstream(Path("out.pdf")) << "old";
  frontend::RepairJob job(Path("in.pdf"), Path("out.pdf"));
  ASSERT_TRUE(job.Prepare(true));
  RecordedEvents events;
  events.stop = true;
  events.password.clear();  // no answer: the engine is told none
  FakeRun::result = 0;
  EXPECT_EQ(job.Run(0, events, &FakeRun::Repair), 0);
  EXPECT_EQ(FakeRun::stopAnswer, -1);
  EXPECT_EQ(events.seen.back(), "error cannot finish " + Path("out.pdf"));
  EXPECT_TRUE(job.Finish(false));
  std::ostringstream kept;
  kept << std::ifstream(Path("out.pdf")).rdbuf();
  EXPECT_EQ(kept.str(), "old");
  EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(RepairJobTest, TheBatchRuleRefusesWritingWhatAnotherFileReadsOrWrites) {
  std::ofstream(Path("b.pdf")) << "%PDF-1.4\n";
  std::ofstream(Path("in_fixed.pdf")) << "%PDF-1.4\n";
  // in.pdf writes in_fixed.pdf, which the batch also reads; b.pdf and its
  // second listing through another path write the same file; a file that
  // is its own destination is left to the safe output.
  const std::vector<std::string> sources = {Path("in.pdf"), Path("in_fixed.pdf"), Path("b.pdf"),
                                            m_folder + "/./b.pdf", Path("self.pdf")};
  const auto plan = frontend::PlanBatch(sources, [this](const std::string& source) {
    if (source == Path("self.pdf")) return source;
    return source.substr(0, source.size() - 4) + "_fixed.pdf";
  });
  using frontend::BatchRefusal;
  ASSERT_EQ(plan.size(), 5u);
  EXPECT_EQ(plan[0].refusal, BatchRefusal::destinationIsSource);
  EXPECT_EQ(plan[1].refusal, BatchRefusal::none);
  EXPECT_EQ(plan[2].refusal, BatchRefusal::none);
  EXPECT_EQ(plan[3].refusal, BatchRefusal::duplicateDestination);
  EXPECT_EQ(plan[4].refusal, BatchRefusal::none);
  EXPECT_EQ(frontend::RefusalText(plan[3]), "目标文件“" + plan[3].destination + "”也是前面一个来源文件的目标文件，未修复。");
  EXPECT_EQ(frontend::RefusalText(plan[1]), "");
}

}  // namespace
