// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The size step of a conversion run, without the window: the handler gathers the size
// option's state and texts into a SizeRequest, planSize decides, and the handler shows the
// message or applies the twips (height before width) to the canvas. The plan is made
// completely before anything is applied, so a refused width never leaves a new height.

#include <QLocale>
#include <QString>

struct SizeRequest
{
    bool ticked = false; // the size option's check box holds 1
    QString heightText;
    QString widthText;
    QLocale locale; // the user's number format for the size check
};

struct SizePlan
{
    enum class Action {
        KeepSize, // the option is not ticked: the canvas keeps its size, the texts are ignored
        Apply, // set the canvas's height, then its width
        Refuse, // show message and end the run with nothing changed
    };

    Action action = Action::KeepSize;
    QString message; // Refuse only
    float height = 0.0f; // twips, Apply only
    float width = 0.0f; // twips, Apply only
};

// Height first: a refused height is the only message, and the width is then not examined.
// A field is refused when it fails the size check, and also when it passes the check but its
// leading-number reading cannot become a single-precision size (beyond about 3.4e38 twips);
// both give that field's "Please enter a valid ..." message.
SizePlan planSize(const SizeRequest &request);
