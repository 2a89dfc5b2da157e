// The server's very last step, once everything of its own is closed and said.
#pragma once

namespace scpi {

// On Windows the process ends here and now, its output flushed, without the DLLs' own
// clean-up at exit: under Wine a process that has served a TCP connection sometimes hangs
// in that clean-up for good after all its work is done (about 1 exit in 30 after a client, the
// last line said). Nothing of the program's is left open by then. Elsewhere: returns the exit code
// for main to return.
int EndProcess(int exitCode);

}  // namespace scpi
