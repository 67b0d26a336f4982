// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What a loaded metafile holds, found by walking its record index without playing it: how
// many records there are, which of them the player does not play (by name), the EMF+ records
// kept in comments, and the font faces it asks for with the faces drawn in their place. The
// converter's report and any other face that must tell whether to trust a render read these.

#include <QString>
#include <QtGlobal>

#include <vector>

namespace metafile::core {

// How many records of one kind, by the record's name ("META_POLYGON", "EMR_ALPHABLEND"; a
// record of no known kind by its number in hexadecimal).
struct RecordCount
{
    QString name;
    int count = 0;
};

// A face a font record asks for, and the installed face the text is drawn in.
struct FontFace
{
    QString asked;
    QString used;
};

struct Facts
{
    qsizetype records = 0; // after the header, the closing end record not counted
    qsizetype emfPlusRecords = 0; // kept in EMR_GDICOMMENT records
    bool emfPlusDual = false; // the EMF+ header says the EMF records draw the picture too
    bool emfPlusDrawn = false; // a play draws the EMF+ records rather than the GDI ones
    std::vector<RecordCount> emfPlusSkipped; // EMF+ records the play leaves out, sorted by name
    std::vector<RecordCount> skipped; // records the player does not play, sorted by name
    std::vector<FontFace> fonts; // in the order the file first asks for each
};

// Adds one record of `name` to `counts`, which stay sorted by name.
inline void countRecord(std::vector<RecordCount> &counts, const QString &name)
{
    auto at = counts.begin();
    while (at != counts.end() && at->name < name)
        ++at;
    if (at != counts.end() && at->name == name)
        ++at->count;
    else
        counts.insert(at, RecordCount {name, 1});
}

// Adds `face` to `fonts` unless the same pair is there already.
inline void addFont(std::vector<FontFace> &fonts, const FontFace &face)
{
    for (const FontFace &known : fonts) {
        if (known.asked == face.asked && known.used == face.used)
            return;
    }
    fonts.push_back(face);
}

} // namespace metafile::core
