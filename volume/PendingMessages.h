// Handling what waits in the calling thread's queue without waiting for more.
#pragma once

// Takes every message now in the calling thread's queue, for any window, and translates and
// dispatches it; returns when the queue is empty. A dialog busy in a handler calls it to paint
// what it has just changed.
void PumpPendingMessages();
