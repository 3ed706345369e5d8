#pragma once
// Stopping the tool from outside (Ctrl-C, kill, a closed terminal, a file-size limit) without
// leaving the hidden temporary files of unfinished outputs behind.
#include <functional>
#include <set>
#include <string>

namespace kvxcli {

// On SIGINT, SIGTERM, SIGHUP or SIGXFSZ (a write past the file size limit), whichever thread
// it reaches, a clean-up thread removes every temporary file then registered and ends the
// process with 128 + the signal's number (130 for SIGINT, 153 for SIGXFSZ). Call first thing
// in main.
void handleStopSignals();

// For a command that runs until it is stopped (preview --watch): SIGINT and SIGTERM then end
// the process with status 0, after the same clean-up.
void stopSignalsEndNormally();

// Runs `change` on the set of temporary files (a folder is removed with what it holds) under the
// lock the signal thread takes, so a file is never created or renamed unseen by it.
void changeTemporaryFiles(const std::function<void(std::set<std::string>&)>& change);

}  // namespace kvxcli
