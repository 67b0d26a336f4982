// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A straight line control drawn between two points given in twips within the parent.

#include <QColor>
#include <QLineF>
#include <QWidget>

class Line : public QWidget
{
    Q_OBJECT

public:
    Line(QWidget *parent, double x1, double y1, double x2, double y2, QColor colour = Qt::black, int widthPixels = 1);

    QLineF twips() const { return m_twips; }
    QColor colour() const { return m_colour; }
    int widthPixels() const { return m_width; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLineF m_twips;
    QColor m_colour;
    int m_width;
};
