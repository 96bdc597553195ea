// SPDX-License-Identifier: GPL-3.0-or-later
// Text handed on in pieces to a second thread that consumes them in order (checks and writes
// them), while the caller forms the next pieces: the system's copying of a large file then
// overlaps the work of forming it. At most kAhead pieces wait; their buffers are used again.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace trakor {

class PiecePipeline {
public:
    // `consume` runs on the second thread, once a piece, in the order of put.
    explicit PiecePipeline(std::function<void(const std::string&)> consume);
    ~PiecePipeline() { finish(); }
    PiecePipeline(const PiecePipeline&) = delete;
    PiecePipeline& operator=(const PiecePipeline&) = delete;

    // Takes the text's bytes; the text comes back empty, with the room of an earlier piece.
    void put(std::string& text);
    void put(std::string_view text) {
        std::string copy(text);
        put(copy);
    }
    // Waits until every piece is consumed.
    void finish();
    // Whether a piece could not be consumed for want of memory; the pieces after it are
    // dropped. Read after finish().
    bool failed() const { return failed_; }

private:
    static constexpr size_t kAhead = 4;
    void run();

    std::function<void(const std::string&)> consume_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;
    std::vector<std::string> spare_;
    bool done_ = false;
    bool failed_ = false;  // the worker's own until finish() has joined it
    std::thread worker_;   // last: starts when everything it uses is made
};

}  // namespace trakor
