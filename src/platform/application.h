// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "settings/settings.h"

namespace quorvane {

// What --help tells beyond the standard options.
struct CommandLineHelp {
    QString description;
    QString argumentName;  // empty: no positional argument
    QString argumentHelp;
    QString argumentSyntax;
    bool batchOptions = false;  // --batch and its options, which runBatch answers, and the site options
};

// Names the program, then answers --help, --help-all (with Qt's options) and --version on standard output and
// ends the process; refuses an option neither we nor Qt know with a line on standard error and exit status 2.
// Runs before the QApplication, so that all of it answers on a console where no display can be opened.
void answerCommandLine(int argc, char* argv[], const CommandLineHelp& help);

// With the QApplication made (it has taken out its own options such as -platform): refuses any other option
// as answerCommandLine does, ties the program to its menu entry and gives it its icon. Returns the positional
// arguments.
QStringList setUpApplication(const CommandLineHelp& help);

// The site options given (--stats-site, …), over the settings; a bad value is told on standard error and
// ends the process with status 2.
void applySiteOptions(const CommandLineHelp& help, Settings& settings);

}  // namespace quorvane
