// How the process's heap is laid out.
#pragma once

// Makes every thread allocate from the one heap. The C library otherwise gives worker threads
// heaps of their own, and pictures decoded on them leave those heaps fragmented: a launcher
// browsing pictures for hours grew by megabytes that one shared heap does not. Call at
// start-up, before any thread starts.
void shareOneHeap();

// Gives the heap's free pages back to the system. Picture decoding keeps freed buffers in the
// heap so that the next decode reuses them; this undoes that at moments when no decode is
// wanted soon, so that what the launcher holds stays what it uses.
void returnFreeMemory();
