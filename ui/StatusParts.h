// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStatusBar>
#include <QString>

#include <array>

namespace sorvada {

// The window's status bar: three parts whose right edges stand at fixed
// pixel positions, each showing one text. Part 0 carries the game status and
// the menu prompts, part 1 the square under the pointer, part 2 the variant.
// The parts are painted here; the bar's own temporary messages are not used.
class StatusParts : public QStatusBar
{
    Q_OBJECT
public:
    static constexpr int PARTS = 3;
    static constexpr std::array<int, PARTS> RIGHT_EDGES = {440, 500, 560};

    explicit StatusParts(QWidget *parent = nullptr);

    // An index outside 0..2 is ignored, as the status control ignores it.
    void setPartText(int part, const QString &text);
    QString partText(int part) const;
    // The part's rectangle in the bar's coordinates.
    QRect partRect(int part) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<QString, PARTS> texts;
};

} // namespace sorvada
