#include "app/table_threads.h"

#include <algorithm>
#include <atomic>
#include <memory>
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
// virtual machines may) leaves it there until that processor's thread is
// preempted, milliseconds later: meanwhile the work runs one after the other.
// A helper is therefore made allowed only on the other processors, so that it
// starts on one at once, and then allows itself them all again, for the
// system's balancing to go on from there.
class Helpers {
 public:
  Helpers() {
    threads_.reserve(4);  // a thread made is always kept to join: no allocation after it
    const int from = sched_getcpu();
    if (from >= 0 && pthread_getaffinity_np(pthread_self(), sizeof allowed_, &allowed_) == 0 &&
        CPU_COUNT(&allowed_) >= 2 && CPU_ISSET(from, &allowed_)) {
      others_ = allowed_;
      CPU_CLR(from, &others_);
      elsewhere_ = true;
    }
  }
  ~Helpers() { join(); }
  // False when the system gives no thread (a process limit).
  bool start(const std::function<void()>& body) {
    auto task = std::make_unique<Task>(Task{body, allowed_, elsewhere_});
    pthread_t thread;
    // Where the placement cannot be asked for (a container's processor set
    // changed meanwhile), the thread starts where the system puts it.
    if (!(elsewhere_ && create(&thread, task.get(), &others_)) && !create(&thread, task.get(), nullptr)) return false;
    task.release();  // the thread's now
    threads_.push_back(thread);
    return true;
  }
  void join() {
    for (pthread_t t : threads_) pthread_join(t, nullptr);
    threads_.clear();
  }

 private:
  struct Task {
    std::function<void()> body;
    cpu_set_t allowed;
    bool widen;
  };
  static bool create(pthread_t* thread, Task* task, const cpu_set_t* on) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    bool made = !on || pthread_attr_setaffinity_np(&attr, sizeof *on, on) == 0;
    made = made && pthread_create(thread, &attr, &Helpers::run, task) == 0;
    pthread_attr_destroy(&attr);
    return made;
  }
  static void* run(void* arg) {
    const std::unique_ptr<Task> task(static_cast<Task*>(arg));
    if (task->widen) pthread_setaffinity_np(pthread_self(), sizeof task->allowed, &task->allowed);
    task->body();
    return nullptr;
  }
  cpu_set_t allowed_{};
  cpu_set_t others_{};
  bool elsewhere_ = false;
  std::vector<pthread_t> threads_;
};
#else
class Helpers {
 public:
  ~Helpers() { join(); }
  bool start(const std::function<void()>& body) {
    try {
      threads_.emplace_back(body);
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
  void join() {
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  std::vector<std::thread> threads_;
};
#endif

}  // namespace

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
  Helpers helpers;
  for (unsigned t = 1; t < std::min<unsigned>(cores, 4) && t < count + (alongside ? 1 : 0); ++t)
    if (!helpers.start(run)) break;
  if (alongside) alongside();
  run();
  helpers.join();
}

}  // namespace rt
