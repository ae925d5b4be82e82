// SPDX-License-Identifier: MIT
#pragma once
// Small facts about the program that several parts of the window share: the
// title of every message box, the window's font and the help text.

#include <QFont>
#include <QString>
#include <QStringList>

namespace tonvell::app {

// The program file's name up to its first ".", first letter upper case and
// the rest lower case: "/usr/bin/tonvell" and "C:\Tools\TONVELL.EXE" give
// "Tonvell".
QString ApplicationTitle(const QString& programPath);

// The title for this process, from its own program file.
QString ApplicationTitle();

// A narrow sans-serif face covering Cyrillic at 8 points. The window's layout
// is in fixed pixels and was drawn for a narrow 11-pixel face; the condensed
// DejaVu face fits every caption, the plain one does not.
QFont WindowFont();

// A tooltip that shows text exactly as it is, on one line. Qt shows a
// tooltip that looks like markup as rich text, so a file named
// "<h1><font color=red>…" would show as a large red heading; the text is
// escaped and put in a paragraph that keeps its spaces and does not wrap.
QString PlainTooltip(const QString& text);

// The help text shown by "?": 26 lines.
const QStringList& HelpLines();

}  // namespace tonvell::app
