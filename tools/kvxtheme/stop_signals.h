#pragma once
// Stopping the tool from outside (Ctrl-C, kill, a closed terminal, a file-size limit) without
// leaving the hidden temporary files of unfinished outputs behind.
#include <functional>
#include <set>
#include <string>

namespace kvxcli {

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread, and so in every thread it starts
// afterwards, and starts a thread that waits for them and for SIGXFSZ (a write past the file
// size limit): it removes every temporary file then registered and ends the process with
// 128 + the signal's number (130 for SIGINT, 153 for SIGXFSZ). Call first thing in main, before
// other threads.
void handleStopSignals();

// Runs `change` on the set of temporary files under the lock the signal thread takes, so a
// file is never created or renamed unseen by it.
void changeTemporaryFiles(const std::function<void(std::set<std::string>&)>& change);

}  // namespace kvxcli
