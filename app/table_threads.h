#pragma once
// The tables of one image worked on several threads (export --all, and the
// text an import compares a dump with): each thread reads through its own
// read-only view of one cache of the image's pages.

#include "image/image_view.h"
#include "image/rom_image.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace rt {

// Calls work(k, view, scratch) for every k in [0, count) on as many threads as
// there are cores (up to four), each with its view of `pages` and a buffer it
// reuses. The caller numbers the items largest first, so that no thread is
// left with a large one at the end. `alongside` runs on this thread while the
// others start, which it then joins. A thread that cannot be had (a process
// limit) leaves its share to the others.
void onImageThreads(const std::shared_ptr<PageCache>& pages, const QString& path, size_t count,
                    const std::function<void(size_t, RomImage&, QByteArray&)>& work,
                    const std::function<void()>& alongside = {});

}  // namespace rt
