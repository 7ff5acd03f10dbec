// Safe output as root would use it in a folder others own: exclusive
// creation, a writer path that a planted link cannot redirect, refusal of
// what is no regular file, no silent replacement, durability. Owner, group
// and mode of a replaced file and long names need root: cli_hostile_folder.sh.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "OutputCalls.h"
#include "SafeOutput.h"
#include "tesscore/tesscore.h"

namespace {

using frontend::OutputFailure;
using frontend::SafeOutput;

class SafeOutputTest : public ::testing::Test {
 protected:
  SafeOutputTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-output-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    m_folder = pattern;
  }
  ~SafeOutputTest() override { std::filesystem::remove_all(m_folder); }

  std::string Path(const std::string& name) const { return m_folder + "/" + name; }
  void Write(const std::string& path, const std::string& bytes) const {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string Read(const std::string& path) const {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
  }
  // The writer's view: the path it is given, opened as the engine opens it.
  static bool WriteThrough(const SafeOutput& output, const std::string& bytes) {
    const int fd = open(output.WriterPath().c_str(), O_WRONLY | O_CREAT, 0666);
    if (fd < 0) return false;
    const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return close(fd) == 0 && written;
  }
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".tessaly-", 0) == 0) names.push_back(name);
    }
    return names;
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode;
  }

  std::string m_folder;
};

// Records the order of the calls that make an output durable, and fails
// the one it is told to.
struct RecordingCalls : frontend::OutputCalls {
  RecordingCalls() { frontend::SetOutputCalls(this); }
  ~RecordingCalls() override { frontend::SetOutputCalls(nullptr); }
  int Fsync(int fd) override { return Note("fsync", fd == folderFd ? "folder" : "file") ? OutputCalls::Fsync(fd) : -1; }
  int Close(int fd) override { return Note("close", "file") ? OutputCalls::Close(fd) : -1; }
  int RenameNoReplace(int folder, const char* from, const char* to) override {
    folderFd = folder;
    if (!Note("rename", "noreplace")) return -1;
    if (noReplaceUnsupported) {
      errno = EINVAL;
      return -1;
    }
    return OutputCalls::RenameNoReplace(folder, from, to);
  }
  int Rename(int folder, const char* from, const char* to) override {
    folderFd = folder;
    return Note("rename", "replace") ? OutputCalls::Rename(folder, from, to) : -1;
  }
  bool Note(const std::string& call, const std::string& what) {
    calls.push_back(call + " " + what);
    if (call != failCall) return true;
    errno = failWith;
    return false;
  }
  std::vector<std::string> calls;
  std::string failCall;
  int failWith = 0;
  int folderFd = -2;
  bool noReplaceUnsupported = false;
};

TEST_F(SafeOutputTest, CommitSyncsTheFileRenamesThenSyncsTheFolder) {
  RecordingCalls calls;
  SafeOutput output;
  ASSERT_TRUE(output.Create(Path("out.pdf"), false));
  EXPECT_EQ(output.TemporaryName().size(), 15u);
  EXPECT_EQ(ModeOf(Path(output.TemporaryName())) & 07777, 0600u);  // writable until committed
  ASSERT_TRUE(WriteThrough(output, "repaired"));
  ASSERT_TRUE(output.Commit());
  EXPECT_EQ(calls.calls, (std::vector<std::string>{"fsync file", "close file", "rename noreplace", "fsync folder"}));
  EXPECT_EQ(Read(Path("out.pdf")), "repaired");
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(ModeOf(Path("out.pdf")) & 07777, 0666u & ~mask);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(SafeOutputTest, FailedSyncCloseOrRenameLeavesTheDestinationAsItWas) {
  for (const std::string failing : {"fsync", "close", "rename"}) {
    SCOPED_TRACE(failing);
    Write(Path("out.pdf"), "old");
    RecordingCalls calls;
    calls.failCall = failing;
    calls.failWith = EIO;
    SafeOutput output;
    ASSERT_TRUE(output.Create(Path("out.pdf"), true));
    ASSERT_TRUE(WriteThrough(output, "new"));
    EXPECT_FALSE(output.Commit());
    EXPECT_EQ(output.Failure(), OutputFailure::system);
    EXPECT_EQ(output.Error(), EIO);
    EXPECT_EQ(Read(Path("out.pdf")), "old");
    EXPECT_TRUE(Leftovers().empty());
  }
}

// Without replace, a destination that appears during the run is kept, also
// on file systems whose rename has no flag to say so.
TEST_F(SafeOutputTest, ADestinationMadeMeanwhileIsNeverReplaced) {
  for (const bool flagSupported : {true, false}) {
    std::filesystem::remove(Path("out.pdf"));
    RecordingCalls calls;
    calls.noReplaceUnsupported = !flagSupported;
    SafeOutput output;
    ASSERT_TRUE(output.Create(Path("out.pdf"), false));
    ASSERT_TRUE(WriteThrough(output, "ours"));
    Write(Path("out.pdf"), "theirs");
    EXPECT_FALSE(output.Commit());
    EXPECT_EQ(output.Failure(), OutputFailure::exists);
    EXPECT_EQ(Read(Path("out.pdf")), "theirs");
    EXPECT_TRUE(Leftovers().empty());
    std::filesystem::remove(Path("out.pdf"));
    ASSERT_TRUE(output.Create(Path("out.pdf"), false));
    ASSERT_TRUE(output.Commit());  // by a link where the flag is missing
    EXPECT_TRUE(Leftovers().empty());
  }
}

TEST_F(SafeOutputTest, WhatIsNoRegularFileIsRefusedEvenWithReplace) {
  Write(Path("victim"), "victim");
  ASSERT_EQ(symlink(Path("victim").c_str(), Path("link.pdf").c_str()), 0);
  ASSERT_EQ(mkfifo(Path("fifo.pdf").c_str(), 0600), 0);
  std::filesystem::create_directory(Path("folder.pdf"));
  for (const std::string& destination : {Path("link.pdf"), Path("fifo.pdf"), Path("folder.pdf"), std::string("/dev/null")}) {
    SCOPED_TRACE(destination);
    SafeOutput output;
    EXPECT_FALSE(output.Create(destination, true));
    EXPECT_EQ(output.Failure(), OutputFailure::notRegular);
  }
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("link.pdf"))));
  EXPECT_TRUE(S_ISFIFO(ModeOf(Path("fifo.pdf"))));
  EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
  SafeOutput output;
  EXPECT_FALSE(output.Create(Path("victim"), false));
  EXPECT_EQ(output.Failure(), OutputFailure::exists);
  EXPECT_FALSE(output.Create(Path("no/out.pdf"), true));
  EXPECT_EQ(output.Error(), ENOENT);
  EXPECT_TRUE(Leftovers().empty());
}

// The source named as the destination by a link made after the output was
// created (cli_basics.sh checks the paths and links known beforehand).
TEST_F(SafeOutputTest, ASourceLinkedAsTheDestinationMeanwhileIsRefused) {
  Write(Path("a.pdf"), "source");
  SafeOutput output;
  ASSERT_TRUE(output.Create(Path("out.pdf"), true, Path("a.pdf")));
  ASSERT_EQ(link(Path("a.pdf").c_str(), Path("out.pdf").c_str()), 0);
  EXPECT_FALSE(output.Commit());
  EXPECT_EQ(output.Failure(), OutputFailure::sameAsSource);
  EXPECT_EQ(Read(Path("a.pdf")), "source");
}

// The folder's owner swaps the temporary file for a link to a victim while
// the real engine writes: the write goes to the output all the same, and
// the output is not committed.
TEST_F(SafeOutputTest, APlantedLinkNeverRedirectsTheEnginesWrite) {
  Write(Path("victim"), "victim");
  Write(Path("in.pdf"), "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n");
  SafeOutput output;
  ASSERT_TRUE(output.Create(Path("out.pdf"), true));
  ASSERT_EQ(symlink(Path("victim").c_str(), Path("planted").c_str()), 0);
  ASSERT_EQ(rename(Path("planted").c_str(), Path(output.TemporaryName()).c_str()), 0);
  const std::string source = Path("in.pdf");
  const EngineCallRecord record{source.c_str(), 0, 4u << 16, output.WriterPath().c_str(), nullptr, nullptr};
  EXPECT_EQ(RepairPdfFile(&record), 1);
  EXPECT_EQ(Read(Path("victim")), "victim");
  EXPECT_FALSE(output.Commit());
  EXPECT_EQ(output.Failure(), OutputFailure::replaced);
  EXPECT_FALSE(std::filesystem::exists(Path("out.pdf")));
  EXPECT_EQ(Read(Path("victim")), "victim");
}

TEST_F(SafeOutputTest, ADiscardedOutputLeavesNothing) {
  {
    SafeOutput output;
    ASSERT_TRUE(output.Create(Path("out.pdf"), false));
    ASSERT_TRUE(WriteThrough(output, "half"));
  }
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_FALSE(std::filesystem::exists(Path("out.pdf")));
}

}  // namespace
