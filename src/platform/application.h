// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quorvane {

// What --help tells beyond the standard options.
struct CommandLineHelp {
    QString description;
    QString argumentName;  // empty: no positional argument
    QString argumentHelp;
    QString argumentSyntax;
};

// Names the program, then answers --help and --version on standard output and ends the process. Runs before
// the QApplication, so that both answer on a console where no display can be opened.
void answerHelpAndVersion(int argc, char* argv[], const CommandLineHelp& help);

// With the QApplication made (it has taken out its own options such as -platform): refuses any other option
// with a message and exit status 1, ties the program to its menu entry and gives it its icon. Returns the
// positional arguments.
QStringList setUpApplication(const CommandLineHelp& help);

}  // namespace quorvane
