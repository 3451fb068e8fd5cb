#pragma once
// Work that reads whole images runs off the UI thread.

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>

namespace rt {

// Runs `work` on a thread of its own, then `done` on the thread of `receiver`
// (unless the receiver is gone by then). `work` must own everything it uses.
template <typename T>
void inBackground(QObject* receiver, std::function<T()> work, std::function<void(T&)> done) {
  auto result = std::make_shared<std::optional<T>>();
  QThread* thread = QThread::create([result, work = std::move(work)] { result->emplace(work()); });
  QObject::connect(thread, &QThread::finished, receiver, [result, done = std::move(done)] { done(**result); });
  QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  thread->start();
}

}  // namespace rt
