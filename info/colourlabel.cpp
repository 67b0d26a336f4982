// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "colourlabel.h"

ColourLabel::ColourLabel(QWidget *parent) : QLabel(parent) { }

void ColourLabel::setForeColor(quint32 colourValue)
{
    m_foreColor = colourValue;
    QPalette colours = palette();
    const QColor colour = colourFromValue(colourValue);
    colours.setColor(QPalette::WindowText, colour.isValid() ? colour : QPalette().color(QPalette::WindowText));
    setPalette(colours);
}

void ColourLabel::setFontUnderline(bool underline)
{
    QFont changed = font();
    changed.setUnderline(underline);
    setFont(changed);
}

QColor ColourLabel::colourFromValue(quint32 colourValue)
{
    if (colourValue > 0xFFFFFF)
        return {};
    return {int(colourValue & 0xFF), int((colourValue >> 8) & 0xFF), int((colourValue >> 16) & 0xFF)};
}
