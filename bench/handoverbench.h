// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What clients of the one-copy socket cost the window: the longest time the event loop
// is away (one pass of it) while a client floods the running copy, against the same loop
// while one short path is handed over again and again.
namespace HandOverBench {

// The longest pass, in ms: by the wall clock and by the CPU time of the window's thread.
struct Pass
{
    double wall = 0;
    double cpu = 0;
};

struct Result
{
    Pass baseline; // short hand-overs, one after the other
    Pass longPath; // one message of a path of millions of characters
    Pass endless; // a message said to be 100 MB, sent in pieces
    Pass many; // a thousand hand-overs of a path that is no skin
    int boxes = 0; // boxes the thousand showed
    bool ok = false; // every client ended, and the short ones were all taken
};

Result measure(bool smoke);

} // namespace HandOverBench
