#pragma once

namespace fw::cli {

// flashwright-cli: runs one command and gives the process's exit status:
// 0 done, 1 the operation failed or found a difference, 2 a usage error,
// 3 cancelled or refused.
int Run(int argc, char** argv);

}  // namespace fw::cli
