#include "app/table_threads.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace rt {

void onImageThreads(const std::shared_ptr<PageCache>& pages, const QString& path, size_t count,
                    const std::function<void(size_t, RomImage&, QByteArray&)>& work,
                    const std::function<void()>& alongside) {
  std::atomic<size_t> next{0};
  auto run = [&] {
    RomImage rom(std::make_shared<ImageView>(pages, std::vector<Run>{}, true), nullptr);
    rom.setRomPath(path);
    QByteArray scratch;
    for (size_t k; (k = next.fetch_add(1)) < count;) work(k, rom, scratch);
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < std::min<unsigned>(cores, 4) && t < count + (alongside ? 1 : 0); ++t) {
    try {
      helpers.emplace_back(run);
    } catch (const std::system_error&) {
      break;
    }
  }
  if (alongside) alongside();
  run();
  for (std::thread& t : helpers) t.join();
}

}  // namespace rt
