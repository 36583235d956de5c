#include "tests/support/hostile_tree.h"

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

namespace dravanta {
namespace {

void Write(const std::string& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok =
      fd >= 0 && write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  if (fd >= 0) ok = close(fd) == 0 && ok;
  if (!ok) {
    std::perror(path.c_str());
    std::abort();
  }
}

}  // namespace

std::string HighByteName() {
  std::string name;
  for (int byte = 0x80; byte <= 0xFF; ++byte) name += static_cast<char>(byte);
  return name;
}

std::string HostileRoot(const ScratchTree& tree) { return tree.PathOf("target"); }

std::vector<HostileCase> BuildHostileTree(ScratchTree& tree) {
  tree.SetMode("", 0755);
  tree.AddFolder("target");
  std::vector<HostileCase> cases;
  auto add_file = [&](const std::string& relative, const std::string& content) {
    Write(tree.PathOf(relative), content);
    return HostileFile{tree.PathOf(relative), content, Settlement::kScanned};
  };

  cases.push_back(
      {"plain file", "a file with a few bytes", {add_file("target/plain", "plain file")}});

  tree.AddFolder("target/closed");
  HostileFile hidden = add_file("target/closed/hidden", "inside a folder of mode 000");
  hidden.settlement = Settlement::kSkipped;
  tree.SetMode("target/closed", 0);
  cases.push_back({"folder of mode 000", "mkdir, a file inside, chmod 000", {hidden}, true});

  HostileFile locked = add_file("target/locked", "a file of mode 000");
  locked.settlement = Settlement::kFailed;
  tree.SetMode("target/locked", 0);
  cases.push_back({"file of mode 000", "a file, chmod 000", {locked}, true});

  {
    // 20 levels of 250-byte names: the deepest folder is beyond 5,000 bytes.
    HostileCase deep{"path longer than 4,096 bytes",
                     "mkdirat/openat chain of 20 folders of 250-byte names, a file in each",
                     {}};
    tree.AddFolder("target/deep");
    const std::string component(250, 'd');
    std::string folder = tree.PathOf("target/deep");
    tree.AddFolderChain("target/deep", component, 20, "f", "deep file");
    for (int level = 0; level < 20; ++level) {
      folder += "/" + component;
      deep.files.push_back({folder + "/f", "deep file", Settlement::kScanned});
    }
    cases.push_back(std::move(deep));
  }

  cases.push_back(
      {"newline in the name", "\"line\\nbreak\"", {add_file("target/line\nbreak", "newline")}});
  cases.push_back({"tab in the name", "\"tab\\there\"", {add_file("target/tab\there", "tab")}});
  cases.push_back({"leading \"-\"",
                   "\"-rf\" and \"--help\"",
                   {add_file("target/-rf", "dash"), add_file("target/--help", "dashes")}});
  cases.push_back({"bytes 0x80-0xFF in the name",
                   "one name of the 128 bytes 0x80..0xFF",
                   {add_file("target/" + HighByteName(), "high bytes")}});
  cases.push_back({"name of 255 bytes",
                   "the longest name the system allows",
                   {add_file("target/" + std::string(255, 'n'), "long name")}});

  tree.AddFifo("target/fifo");
  cases.push_back({"FIFO", "mkfifo", {{tree.PathOf("target/fifo"), "", Settlement::kSkipped}}});
  tree.AddSocket("target/socket");
  cases.push_back({"socket",
                   "a bound Unix socket",
                   {{tree.PathOf("target/socket"), "", Settlement::kSkipped}}});

  tree.AddSymlink("target/loop-a", "loop-b");
  tree.AddSymlink("target/loop-b", "loop-a");
  tree.AddSymlink("target/self", "self");
  cases.push_back({"symbolic link loop",
                   "loop-a -> loop-b -> loop-a, self -> self",
                   {{tree.PathOf("target/loop-a"), "", Settlement::kSkipped},
                    {tree.PathOf("target/self"), "", Settlement::kSkipped}}});
  tree.AddSymlink("target/dangling", tree.PathOf("nowhere"));
  cases.push_back({"dangling link",
                   "a link to a missing name",
                   {{tree.PathOf("target/dangling"), "", Settlement::kSkipped}}});

  {
    tree.AddFolder("target/hard");
    HostileFile first = add_file("target/hard/one", "hard linked");
    if (link(first.path.c_str(), tree.PathOf("target/hard/two").c_str()) != 0) {
      std::perror("link");
      std::abort();
    }
    cases.push_back(
        {"hard link twice in the tree",
         "link(2) of one file under a second name",
         {first, {tree.PathOf("target/hard/two"), "hard linked", Settlement::kScanned}}});
  }

  {
    HostileCase wide{"folder of 100,000 entries",
                     "100,000 names of empty files in one folder (hard links of two files)",
                     {}};
    tree.AddFolder("target/wide");
    wide.files.reserve(kWideFolderEntries);
    tree.AddEmptyFiles("target/wide", "e", kWideFolderEntries);
    for (int i = 0; i < kWideFolderEntries; ++i) {
      wide.files.push_back(
          {tree.PathOf("target/wide/e" + std::to_string(i)), "", Settlement::kScanned});
    }
    cases.push_back(std::move(wide));
  }

  // Files that change between their listing (root level) and their hashing
  // (after the whole walk, or at least after the trigger was listed).
  cases.push_back(
      {"file that vanishes after listing",
       "removed when the trigger is listed",
       {{add_file("target/vanishes", "gone before hashing").path, "", Settlement::kFailed}}});
  cases.push_back(
      {"file that shrinks after listing",
       "truncated to 3 bytes when the trigger is listed",
       {{add_file("target/shrinks", "longer at listing time").path, "sho", Settlement::kScanned}}});
  cases.push_back(
      {"file that grows after listing",
       "appended to when the trigger is listed",
       {{add_file("target/grows", "short").path, "short, and then longer", Settlement::kScanned}}});

  cases.push_back({"file replaced by a FIFO after listing",
                   "removed and made again with mkfifo when the trigger is listed",
                   {{add_file("target/becomes-fifo", "a file at listing time").path, "",
                     Settlement::kFailed}}});
  cases.push_back({"file replaced by a link after listing",
                   "removed and made again as a link to a file outside the target when the "
                   "trigger is listed",
                   {{add_file("target/becomes-link", "a file at listing time").path, "",
                     Settlement::kFailed}}});

  tree.AddFolder("target/first");
  tree.AddFolder("target/first/second");
  const std::string trigger = std::string("target/first/second/") + kHostileTrigger;
  tree.AddFile(trigger, 2 * kHostileSizeLimit);
  cases.push_back({"trigger above the size limit",
                   "a sparse file of twice the limit",
                   {{tree.PathOf(trigger), "", Settlement::kTooLarge}}});

  // A folder listed at the first level, replaced by a link to a folder
  // outside the target (of the same shape) once the first level is listed
  // and before the third is: the folders below it are then reached only
  // through the link.
  tree.AddFolder("target/swapped");
  tree.AddFolder("target/swapped/mid");
  tree.AddFolder("target/swapped/mid/inner");
  add_file("target/swapped/mid/inner/own", "own file");
  tree.AddFolder("outside");  // beside the target, not in it
  tree.AddFolder("outside/mid");
  tree.AddFolder("outside/mid/inner");
  add_file("outside/mid/secret", "secret outside the target");
  add_file("outside/mid/inner/secret", "secret outside the target, deeper");
  cases.push_back({"folder replaced by a link during the walk",
                   "swapped/ (listed, its folders queued) renamed out of the target and replaced "
                   "by a link to a folder outside it",
                   {{tree.PathOf("target/swapped/mid/inner/own"), "", Settlement::kSkipped},
                    {tree.PathOf("target/swapped/mid/secret"), "", Settlement::kSkipped},
                    {tree.PathOf("target/swapped/mid/inner/secret"), "", Settlement::kSkipped}},
                   false,
                   true});
  return cases;
}

void ChangeHostileTree(ScratchTree& tree) {
  tree.Remove("target/vanishes");
  Write(tree.PathOf("target/shrinks"), "sho");
  Write(tree.PathOf("target/grows"), "short, and then longer");
  tree.Remove("target/becomes-fifo");
  tree.AddFifo("target/becomes-fifo");  // opening it to read would wait for a writer
  tree.Remove("target/becomes-link");
  tree.AddSymlink("target/becomes-link", tree.PathOf("outside/mid/secret"));
  // Out of the target altogether, so that nothing of it is walked legitimately.
  if (rename(tree.PathOf("target/swapped").c_str(), tree.PathOf("swapped-away").c_str()) != 0) {
    std::perror("rename");
    std::abort();
  }
  tree.AddSymlink("target/swapped", tree.PathOf("outside"));
}

struct HostileChanger::State {
  ScratchTree* tree = nullptr;
  std::mutex lock;
  std::condition_variable wake;
  bool asked = false;
  bool changed = false;
  bool quit = false;
  std::thread thread;
};

HostileChanger::HostileChanger(ScratchTree& tree) : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.tree = &tree;
  state.thread = std::thread([&state] {
    std::unique_lock hold(state.lock);
    state.wake.wait(hold, [&] { return state.asked || state.quit; });
    if (!state.asked) return;
    ChangeHostileTree(*state.tree);
    state.changed = true;
    state.wake.notify_all();
  });
}

HostileChanger::~HostileChanger() {
  {
    std::lock_guard hold(state_->lock);
    state_->quit = true;
    state_->wake.notify_all();
  }
  state_->thread.join();
}

void HostileChanger::ChangeOnce() {
  std::unique_lock hold(state_->lock);
  state_->asked = true;
  state_->wake.notify_all();
  state_->wake.wait(hold, [&] { return state_->changed; });
}

bool HostileChanger::changed() const {
  std::lock_guard hold(state_->lock);
  return state_->changed;
}

}  // namespace dravanta
