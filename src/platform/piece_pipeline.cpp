// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/piece_pipeline.h"

#include <new>

namespace trakor {

PiecePipeline::PiecePipeline(std::function<void(const std::string&)> consume)
    : consume_(std::move(consume)), worker_([this] { run(); }) {}

void PiecePipeline::put(std::string& text) {
    if (text.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return waiting_.size() < kAhead; });
    waiting_.push_back(std::move(text));
    text = spare_.empty() ? std::string() : std::move(spare_.back());
    if (!spare_.empty()) spare_.pop_back();
    text.clear();
    changed_.notify_all();
}

void PiecePipeline::finish() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void PiecePipeline::run() {
    for (;;) {
        std::string piece;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return done_ || !waiting_.empty(); });
            if (waiting_.empty()) return;
            piece = std::move(waiting_.front());
            waiting_.pop_front();
            changed_.notify_all();
        }
        // Out of memory here fails the whole, as it would have on one thread.
        if (!failed_) {
            try {
                consume_(piece);
            } catch (const std::bad_alloc&) {
                failed_ = true;
            }
        }
        piece.clear();
        std::lock_guard<std::mutex> lock(mutex_);
        if (spare_.size() < kAhead) spare_.push_back(std::move(piece));
    }
}

}  // namespace trakor
