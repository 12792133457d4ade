// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace sorvada {

namespace translation {

namespace {

struct Installed
{
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt;
    QString language;
};

Installed &installed()
{
    static Installed state;
    return state;
}

} // namespace

void uninstall()
{
    Installed &state = installed();
    // Removing a translator makes every widget retranslate; a translator
    // deleted while installed would leave the application pointing at it.
    if (state.own)
        QCoreApplication::removeTranslator(state.own.get());
    if (state.qt)
        QCoreApplication::removeTranslator(state.qt.get());
    state.own.reset();
    state.qt.reset();
    state.language.clear();
}

QString install(const QLocale &locale)
{
    uninstall();
    // The program's own translations are compiled in under :/i18n, one file
    // per language ("sorvada_ru.qm"). The locale's languages are tried in the
    // order the user prefers them; English anywhere before a translated one
    // wins, since it needs no file.
    auto own = std::make_unique<QTranslator>();
    bool found = false;
    for (QString wanted : locale.uiLanguages()) {
        wanted.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (wanted == QLatin1String("C") || wanted == QLatin1String("en")
            || wanted.startsWith(QLatin1String("en_")))
            return QString();
        // "ru_RU" finds sorvada_ru_RU.qm or else sorvada_ru.qm.
        if (own->load(QStringLiteral("sorvada_") + wanted, QStringLiteral(":/i18n"))) {
            found = true;
            break;
        }
    }
    if (!found)
        return QString();
    Installed &state = installed();
    state.language = QLocale(own->language()).name().section(QLatin1Char('_'), 0, 0);
    QCoreApplication::installTranslator(own.get());
    state.own = std::move(own);

    // Qt's own texts for the same language; without them the buttons stay
    // English, which is no reason to leave the game's texts untranslated.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QLocale(state.language), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        state.qt = std::move(qt);
    }
    return state.language;
}

QString language()
{
    return installed().language;
}

} // namespace translation

} // namespace sorvada
