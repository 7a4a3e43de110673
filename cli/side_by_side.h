// Runs independent pieces of work on two threads while their results are handed on strictly in
// order, as one thread would: a batch of small drawings costs the file system's time per file,
// which a second core halves.
#pragma once

#include <cstddef>
#include <functional>

namespace vermark::cli {

// Calls `work(i)` for every i below `count`, on this thread and one more where the machine has
// a second core, and `deliver(i)` on this thread for i = 0, 1, 2... once work(i) has returned.
// What work(i) stores for i is deliver(i)'s to read.
void side_by_side(std::size_t count, const std::function<void(std::size_t)>& work,
                  const std::function<void(std::size_t)>& deliver);

}  // namespace vermark::cli
