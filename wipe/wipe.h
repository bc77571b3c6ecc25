// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

// hadrelwipe: deletes the "Morvane" settings from the per-user store and says how it went.
namespace Wipe {

// The application whose settings are deleted; "Hadrel" itself is never touched.
QString application();
// The caption of the one message box.
QString title();

// The message for an outcome of Store::remove: deleted, nothing there (InvalidCall), or a failure.
QString messageFor(const RunError& outcome);
// The process exit status for an outcome: 0 deleted, 1 nothing there, 2 any other failure.
int exitStatusFor(const RunError& outcome);

// The whole program: one deletion, one box (no icon, OK only), the exit status.
int run();

} // namespace Wipe
