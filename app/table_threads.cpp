#include "app/table_threads.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

namespace rt {

namespace {

#ifdef __linux__
// Where the helpers start. A new thread starts on the processor of the
// thread that made it, and a system that packs work onto busy processors (as
// virtual machines may) leaves it there, sharing that processor with this
// one: the work then runs one after the other. A helper therefore moves
// itself once to another of the processors it may use, then allows them all
// again, and the system's balancing goes on from there.
struct StartElsewhere {
  int from = -1;
  cpu_set_t allowed;
  StartElsewhere() {
    from = sched_getcpu();
    if (from >= 0 && (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2))
      from = -1;
  }
  void move() const {
    if (from < 0) return;
    cpu_set_t others = allowed;
    CPU_CLR(from, &others);
    if (pthread_setaffinity_np(pthread_self(), sizeof others, &others) == 0)
      pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
  }
};
#else
struct StartElsewhere {
  void move() const {}
};
#endif

}  // namespace

void onImageThreads(const std::shared_ptr<PageCache>& pages, const QString& path, size_t count,
                    const std::function<void(size_t, RomImage&, QByteArray&)>& work,
                    const std::function<void()>& alongside) {
  std::atomic<size_t> next{0};
  const StartElsewhere start;
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
      helpers.emplace_back([&] {
        start.move();
        run();
      });
    } catch (const std::system_error&) {
      break;
    }
  }
  if (alongside) alongside();
  run();
  for (std::thread& t : helpers) t.join();
}

}  // namespace rt
