// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QCoreApplication;

namespace quorvane {

// Qt's own texts (the file dialog, a box's context menu) in Chinese like the rest of the window,
// whatever the desktop's language. False when Qt's translations are not installed.
bool loadQtChineseTexts(QCoreApplication& app);

// Where the result files and the domain file lie by default: the documents folder, or the home
// folder where there is none, so that the first save does not fail on a missing folder.
QString defaultFolder();

}  // namespace quorvane
