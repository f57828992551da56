#pragma once
// WaitMs for the download: waits at least `ms` on the program's clock while
// window messages are handled, sleeping in the event loop instead of spinning.

void waitProcessingMessages(int ms);
