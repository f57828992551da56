#include "files/FileSizeLimit.h"

#include <csignal>

namespace FileSizeLimit {

void failWritesInsteadOfEnding()
{
    // Programs started from here (the browser of the user guide) inherit
    // this; to them too a write past the limit then merely fails.
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace FileSizeLimit
