// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

#include <functional>

class QPushButton;
class QToolButton;

// The colours offered by 「色で探す」: a palette of the colours skins are remembered by
// ("a teal one"), and the colour dialog for any other.
class ColourPalette : public QWidget
{
    Q_OBJECT
public:
    struct Named
    {
        QColor colour;
        QString name;
    };
    static const QList<Named>& colours();

    explicit ColourPalette(QWidget* parent = nullptr);

    QToolButton* swatch(int index) const { return m_swatches.at(index); }
    QPushButton* otherButton = nullptr;

    // The colour dialog; an invalid colour when it was cancelled. Tests answer it here.
    static std::function<QColor(QWidget* parent, const QColor& initial)> askColour;

signals:
    void colourChosen(const QColor& colour);

private:
    QList<QToolButton*> m_swatches;
    QColor m_last;
};
