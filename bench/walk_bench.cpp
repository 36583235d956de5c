// The walk benchmark: generates a tree, or lists one with the directory
// walker and prints "<size> <path>" per file, as `bfs -printf '%s %p\n'` does.
//   dravanta_walk_bench make ROOT TOP_FOLDERS SUBFOLDERS FILES_PER_FOLDER
//   dravanta_walk_bench walk ROOT [WORKERS] [BATCH_SIZE]
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "collection/directory_walker.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

int Make(const std::string& root, int top_folders, int subfolders, int files_per_folder) {
  if (!CreateFolder(root)) return 1;
  uint64_t n = 0;
  auto fill = [&](const std::string& folder) {
    for (int f = 0; f < files_per_folder; ++f, ++n) {
      if (!CreateSizedFile(folder + "/file" + std::to_string(f), (n * 7919) % 65536)) return false;
    }
    return true;
  };
  for (int t = 0; t < top_folders; ++t) {
    const std::string top = root + "/top" + std::to_string(t);
    if (!CreateFolder(top) || !fill(top)) return 1;
    for (int s = 0; s < subfolders; ++s) {
      const std::string sub = top + "/sub" + std::to_string(s);
      if (!CreateFolder(sub) || !fill(sub)) return 1;
    }
  }
  std::fprintf(stderr, "walk bench: %llu files in %d folders under %s\n",
               static_cast<unsigned long long>(n), top_folders * (subfolders + 1), root.c_str());
  return 0;
}

struct Output {
  std::mutex lock;
  std::condition_variable ended_signal;
  bool ended = false;
};

void PrintBatch(void* context, const std::vector<FileRecord>& batch) {
  std::string text;
  text.reserve(batch.size() * 64);
  for (const FileRecord& record : batch) {
    text += std::to_string(record.size);
    text += ' ';
    text += Utf16ToUtf8(record.path);
    text += '\n';
  }
  auto* output = static_cast<Output*>(context);
  std::lock_guard<std::mutex> hold(output->lock);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void OnEnd(void* context) {
  auto* output = static_cast<Output*>(context);
  std::lock_guard<std::mutex> hold(output->lock);
  output->ended = true;
  output->ended_signal.notify_all();
}

int Walk(const std::string& root, uint32_t workers, int32_t batch_size) {
  Output output;
  WalkerHandle walker = CreateWalker(Utf8ToUtf16(root));
  BindWalker(*walker, WalkerBindings{PrintBatch, &output, nullptr, nullptr, OnEnd, &output});
  StartWalker(*walker, batch_size, workers);
  JoinWalker(*walker);
  std::fflush(stdout);
  return output.ended ? 0 : 1;
}

}  // namespace
}  // namespace dravanta

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "make" && argc == 6) {
    return dravanta::Make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  }
  if (mode == "walk" && argc >= 3) {
    // The client's defaults: 3 workers per walker, batches of 100.
    const uint32_t workers = argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 3;
    const int32_t batch = argc > 4 ? std::atoi(argv[4]) : 100;
    return dravanta::Walk(argv[2], workers, batch);
  }
  std::fprintf(stderr, "usage: %s make ROOT TOP SUB FILES | walk ROOT [WORKERS] [BATCH_SIZE]\n",
               argv[0]);
  return 2;
}
