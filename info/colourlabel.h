// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A label whose text colour is held as a colour value (0x00BBGGRR, red in the low byte), so
// that handlers can compare it for exact equality, and whose underline is a property of its
// own. Until a colour value is set, the label paints in the platform's default text colour.

#include <QColor>
#include <QLabel>

class ColourLabel : public QLabel
{
    Q_OBJECT

public:
    // The platform's default label text colour, as a system-colour reference (high bit set).
    // It is none of the plain colour values a handler sets.
    static constexpr quint32 defaultForeColor = 0x80000012;

    explicit ColourLabel(QWidget *parent = nullptr);

    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 colourValue);

    bool FontUnderline() const { return font().underline(); }
    void setFontUnderline(bool underline);

    // The colour a plain colour value stands for; system-colour references give no colour.
    static QColor colourFromValue(quint32 colourValue);

private:
    quint32 m_foreColor = defaultForeColor;
};
