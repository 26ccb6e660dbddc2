#pragma once
// orbctl send to one sign or to several at once, one thread per sign.
#include <functional>
#include <string>
#include <vector>

#include "editor/core/SignCommands.h"

namespace orb {

struct SignJob {
    std::string name;  // "HOST:PORT", or the serial device
    // Opens the sign's link and runs the transfer on it.
    std::function<CommandOutcome(const TransferOptions&)> run;
};

// Runs every job at once. Progress over all signs goes to stderr as "NN %" lines (the read-back
// as "확인 NN %"), the warnings once; stdout gets the message, prefixed with the sign's name when
// there are several. 0 only when every sign completed.
int sendToSigns(const std::vector<SignJob>& jobs, bool verify);

}  // namespace orb
