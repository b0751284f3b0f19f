// SPDX-License-Identifier: GPL-3.0-or-later
#include "cells.h"

using namespace Qt::StringLiterals;

namespace quorvane {

const QString kFailureText = u"失败"_s;
const QString kUnknown = u"..."_s;

}  // namespace quorvane
