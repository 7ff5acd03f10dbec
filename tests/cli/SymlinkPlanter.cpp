// Plays the owner of a destination folder who wants a repair run by root to
// write elsewhere: every hidden file that appears in the folder (where a
// temporary output is made) is at once replaced by a symbolic link to the
// victim. Runs until it is killed. Usage: cli_symlink_planter FOLDER VICTIM
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A link made under a name of its own, then renamed over the target name,
// so that the name never stops existing.
void Plant(const std::string& folder, const char* name, const char* victim, unsigned serial) {
  const std::string link = folder + "/~plant" + std::to_string(serial);
  if (symlink(victim, link.c_str()) != 0) return;
  if (rename(link.c_str(), (folder + "/" + name).c_str()) != 0) unlink(link.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: cli_symlink_planter FOLDER VICTIM\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const int watch = inotify_init();
  if (watch < 0 || inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
    std::perror("inotify");
    return 1;
  }
  std::puts("watching");
  std::fflush(stdout);
  alignas(inotify_event) char buffer[4096];
  unsigned serial = 0;
  while (true) {
    const ssize_t size = read(watch, buffer, sizeof buffer);
    if (size <= 0) return 1;
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0 || std::strncmp(event->name, "~plant", 6) == 0) continue;
      if (event->name[0] == '.') Plant(folder, event->name, argv[2], ++serial);
    }
  }
}
