// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/batch_run.h"

namespace quorvane {

// Whether the command line asks for a batch run with no window (--batch).
bool wantsBatch(int argc, char* argv[]);

// That run, over the sites given: no display is opened. Returns the status to exit with.
int runBatch(int argc, char* argv[], const BatchRun::Sites& sites);

}  // namespace quorvane
