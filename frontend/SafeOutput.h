#pragma once

#include <sys/types.h>

#include <string>

namespace frontend {

enum class OutputFailure {
  none,
  system,        // a system call failed: Error() has its error number
  exists,        // the destination exists and may not be replaced
  notRegular,    // the destination is something other than a regular file
  sameAsSource,  // the destination is the source file itself
  replaced,      // the temporary file's name was given to another file meanwhile
};

// A destination written safely, also by root into a folder that others own.
// The output goes to a temporary file created exclusively beside the
// destination (never following a link, never opened by name again); the
// writer reaches it only through WriterPath(), a name that cannot be
// redirected. Commit makes the file durable and gives it the destination's
// name in one rename; until then an existing destination is untouched, and a
// discarded output leaves nothing behind.
class SafeOutput {
 public:
  SafeOutput() = default;
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;
  ~SafeOutput();

  // Refuses a destination that is not a regular file, the source itself, or
  // (without replace) one that exists. A replaced destination's owner, group
  // and permissions, without set-id bits, pass to the new file.
  bool Create(const std::string& destination, bool replace, const std::string& source = {});

  // "/proc/self/fd/N" of the temporary file, valid in this process and in
  // its forked children.
  const std::string& WriterPath() const { return m_writerPath; }
  const std::string& TemporaryName() const { return m_name; }

  // Syncs the file, renames it over the destination (without replace: only
  // when the destination is still absent) and syncs the folder. A failure
  // before the rename leaves the temporary file gone and the destination as
  // it was; a failed sync of the folder after it is a failure too, since the
  // new name may not survive a crash, though the destination is replaced.
  bool Commit();
  // Removes the temporary file.
  void Discard();

  OutputFailure Failure() const { return m_failure; }
  int Error() const { return m_error; }
  // The engine's file-error cause that words the failure as the engine would
  // word the same failure of its own destination.
  int Cause() const;

 private:
  bool Fail(OutputFailure failure, int error = 0);
  bool OpenFolder(const std::string& destination);
  bool CheckDestination();
  bool CreateTemporary();
  bool ApplyOwnerAndMode();
  bool SyncAndClose();
  bool Rename();
  bool IsOurs() const;
  bool Finish();

  int m_folder = -1;
  int m_fd = -1;
  std::string m_name;         // the temporary file's name in the folder
  std::string m_destination;  // the destination's name in the folder
  std::string m_writerPath;
  bool m_replace = false;
  bool m_hasSource = false;
  dev_t m_sourceDevice = 0;
  ino_t m_sourceInode = 0;
  dev_t m_device = 0;  // the temporary file's
  ino_t m_inode = 0;
  bool m_keepOwner = false;
  uid_t m_owner = 0;
  gid_t m_group = 0;
  mode_t m_mode = 0;
  OutputFailure m_failure = OutputFailure::none;
  int m_error = 0;
};

}  // namespace frontend
