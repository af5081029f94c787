// Knowing that the program's threads have handled the input given them, over the public API:
// each watched thread gets a message hook (WH_GETMESSAGE) that sees every message it takes, and
// a thread message posted behind the input. Once two such markers in a row reach the thread
// with nothing taken between them, the thread waits for input with nothing queued for it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace cewin {

// The threads of this process that own a visible or hidden top-level window, and `also`.
std::vector<DWORD> WindowThreads(std::vector<DWORD> also);

// Waits until every thread in `threads` has taken everything queued for it and waits for more
// (a thread that has ended, or has no queue, counts as waiting). False when `bound` ran out
// first: a thread is busy, or asleep outside a wait for messages.
bool WaitThreadsIdle(const std::vector<DWORD>& threads, std::chrono::milliseconds bound);

// Starts watching a thread now, before its first wait (its windows' texts are followed from
// their making on).
void WatchThread(DWORD thread);

// The text last given to a window of a watched thread (at its making, or by WM_SETTEXT), for a
// control that keeps its text to itself and whose thread cannot be asked while it sleeps.
std::optional<std::wstring> LastTextGiven(HWND hwnd);

// Removes every hook that the waits installed.
void StopWatchingThreads();

}  // namespace cewin
