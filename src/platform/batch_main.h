// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settings.h"

namespace quorvane {

// Whether the command line asks for a batch run with no window (--batch).
bool wantsBatch(int argc, char* argv[]);

// That run, with the settings file over the defaults and the command line over both: no display is
// opened. Returns the status to exit with.
int runBatch(int argc, char* argv[], const Settings& defaults);

}  // namespace quorvane
