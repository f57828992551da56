#pragma once
// A file size limit (ulimit -f, prlimit --fsize, a service's LimitFSIZE=)
// ends a process that writes past it with SIGXFSZ, unsaved data and all.
// Each program calls this once at its start; a write past the limit then
// fails with EFBIG instead, which the checked writer reports as "File too
// large" while the old file stays as it was.

namespace FileSizeLimit {

void failWritesInsteadOfEnding();

}  // namespace FileSizeLimit
