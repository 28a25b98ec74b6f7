#pragma once
// A run over one board or several: the shared log and serial counter, one thread a board, the
// summary per board and the exit status.
#include "writer/cli/Options.h"

namespace bramblet {

// Runs a command that talks to chips on every --port; the program's exit status.
int RunBoards(const Options& options);

}  // namespace bramblet
