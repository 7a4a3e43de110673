// Keeps one stamp run from writing a copy over its own inputs: plan.dxf's copy must not replace a
// plan.1008.dxf the run was also given that has no version of its own (an earlier run's copy,
// which has one, is replaced as usual), nor the copy just written from plan.DXF.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "cli/cli_targets.h"
#include "dxf/dxf_stamp.h"

namespace vermark::cli {

class CopyGuard {
  public:
    explicit CopyGuard(const std::vector<Target>& targets);

    // Why the copy of `input` must not be written; empty when it may.
    std::string conflict(const std::string& input);
    // Takes note of what stamping `input` found and wrote.
    void note(const std::string& input, const StampResult& result);
    // True when no copy of the run is another input's copy or one of its inputs: then no
    // conflict can arise, and the order in which the drawings are stamped changes nothing.
    bool order_free(const std::vector<Target>& targets);

  private:
    // `plain`: the path is known to name a regular file, not a link.
    std::string key_of(const std::string& path, bool plain = false);
    std::string clash(const std::string& input);
    // Whether the input at `key` records $ACADVER: from its own stamping when that came first,
    // else read from the file.
    bool records_version(const std::string& key, const std::string& path);

    std::map<std::string, int> inputs_;  // key -> 1 records $ACADVER, 0 does not, -1 not known
    std::map<std::string, std::string> copies_;   // copy's key -> the input it was written from
    std::map<std::string, std::string> folders_;  // folder as named -> its canonical spelling
    std::map<std::string, std::string> keys_;     // path as named -> its key
};

}  // namespace vermark::cli
