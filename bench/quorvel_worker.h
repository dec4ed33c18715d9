#pragma once

#include <string>
#include <vector>

namespace quorvel::bench {

// One split or join through the window, as a user runs it, in a process of its own so that its
// memory is measured alone. `arguments` are "split" <source> <folder> <parts> or
// "join" <first piece> <folder> ["delete"] ("delete": with "Delete splited files after file joint
// completed." ticked). Prints the longest time, in milliseconds, that the window went without
// answering, then the bytes its hashing thread hashed and the seconds that took; returns the exit
// status (not 0 unless the run reported success).
int runQuorvel(const std::vector<std::string>& arguments);

}  // namespace quorvel::bench
