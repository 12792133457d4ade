// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLocale>
#include <QString>

namespace sorvada {

// The language the program speaks. English is the source of every text and
// needs nothing installed; another language is a translation compiled into
// the program, shown together with Qt's own texts for it (the standard
// buttons, the file dialog) from Qt's translation folder.
namespace translation {

// Installs the translation that suits the locale's languages, in their order
// of preference, replacing one installed before. A locale with no
// translation of its own leaves the program in English, Qt's texts too, so
// that a window never mixes two languages. Returns the language installed
// ("ru"), empty for English.
QString install(const QLocale &locale);

// Takes out what install() put in: every text is English again.
void uninstall();

// The language installed by install(), empty for English.
QString language();

} // namespace translation

} // namespace sorvada
